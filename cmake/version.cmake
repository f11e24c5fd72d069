# The program's version has one source, project()'s VERSION: this turns it into a header for the
# Linux program's --version, Clavitap.exe's version record and manifest; the Debian package takes
# it through CPack, and the package's changelog and the AppStream metadata must name it as their
# newest release.
#
# The version record's texts use the classic Windows program form "major.minor.revision" with
# two-digit minor and four-digit revision: 1.0.0.2 reads "1.00.0002".
function(clavitap_zero_padded out value width)
  string(LENGTH "${value}" length)
  set(padded "${value}")
  while(length LESS width)
    string(PREPEND padded "0")
    math(EXPR length "${length} + 1")
  endwhile()
  set(${out} "${padded}" PARENT_SCOPE)
endfunction()

clavitap_zero_padded(CLAVITAP_VERSION_MINOR_TEXT ${PROJECT_VERSION_MINOR} 2)
clavitap_zero_padded(CLAVITAP_VERSION_TWEAK_TEXT ${PROJECT_VERSION_TWEAK} 4)
set(CLAVITAP_RECORD_VERSION_TEXT
    "${PROJECT_VERSION_MAJOR}.${CLAVITAP_VERSION_MINOR_TEXT}.${CLAVITAP_VERSION_TWEAK_TEXT}")

set(CLAVITAP_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/cmake/clavitap_version.h.in
               ${CLAVITAP_GENERATED_DIR}/clavitap_version.h @ONLY)
# Included as "generated/clavitap_version.h"; the resource compiler also finds the manifest in the
# folder itself.
add_library(clavitap_version INTERFACE)
target_include_directories(clavitap_version INTERFACE ${PROJECT_BINARY_DIR} ${CLAVITAP_GENERATED_DIR})

# The Debian changelog's newest entry names the version the package is built as.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^clavitap \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${changelog_head}\"; its newest entry "
                      "must be for version ${PROJECT_VERSION}")
endif()

# Clavitap.exe's manifest names the same version in its assembly identity.
configure_file(${PROJECT_SOURCE_DIR}/assets/windows/clavitap.manifest.in
               ${CLAVITAP_GENERATED_DIR}/clavitap.manifest @ONLY)

# So does the newest release of the AppStream metadata, which software centres show.
file(READ ${PROJECT_SOURCE_DIR}/packaging/org.example.clavitap.metainfo.xml metainfo)
string(REGEX MATCH "<release version=\"[^\"]*\"" newest_release "${metainfo}")
if(NOT newest_release STREQUAL "<release version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "the newest release in packaging/org.example.clavitap.metainfo.xml is not "
                      "${PROJECT_VERSION}: ${newest_release}")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/packaging/changelog
             ${PROJECT_SOURCE_DIR}/packaging/org.example.clavitap.metainfo.xml)
