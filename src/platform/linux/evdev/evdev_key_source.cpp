#include "platform/linux/evdev/evdev_key_source.h"

#include <dirent.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "platform/linux/evdev/input_device.h"

namespace platform::evdev {

namespace {

bool IsAccessError(int error) {
    return error == EACCES || error == EPERM;
}

}  // namespace

std::string ExplainUnreadableDevices(const std::string& inputDir) {
    return "Clavitap cannot read the keyboard devices in " + inputDir +
           ". Add your user to the 'input' group (sudo usermod -aG input $USER) and log in "
           "again, so keys typed in other programs can sound.";
}

EvdevKeySource::EvdevKeySource() = default;

EvdevKeySource::~EvdevKeySource() {
    Close();
}

bool EvdevKeySource::Open(const std::string& inputDir) {
    Close();
    inputDir_ = inputDir;
    // Watch first, so that a device plugged in during the scan is not missed.
    watch_.Start(inputDir_);
    ScanFolder();
    return !devices_.empty();
}

void EvdevKeySource::ScanFolder() {
    DIR* folder = opendir(inputDir_.c_str());
    if (folder == nullptr) {
        folderMissing_ = errno == ENOENT || errno == ENOTDIR;
        accessDenied_ = accessDenied_ || IsAccessError(errno);
        return;
    }
    folderMissing_ = false;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (IsEventNodeName(name)) OpenNode(name);
    }
    closedir(folder);
}

void EvdevKeySource::OpenNode(const std::string& nodeName) {
    const std::string path = inputDir_ + "/" + nodeName;
    if (IsReading(path)) return;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A node the device manager has not handed to the 'input' group yet is tried again
        // when its access changes.
        accessDenied_ = accessDenied_ || IsAccessError(errno);
        return;
    }
    AddDevice(fd, path);
}

bool EvdevKeySource::IsReading(const std::string& name) const {
    return std::any_of(devices_.begin(), devices_.end(),
                       [&](const auto& device) { return device->Name() == name; });
}

bool EvdevKeySource::AddDevice(int fd, std::string name) {
    auto device = InputDevice::Adopt(fd, std::move(name), states_);
    if (!device) return false;
    devices_.push_back(std::move(device));
    return true;
}

void EvdevKeySource::Refresh() {
    const DeviceFolderWatch::Changes changes = watch_.TakeChanges();
    if (changes.overflowed) {
        ScanFolder();
    } else {
        for (const std::string& name : changes.names) OpenNode(name);
    }
    std::erase_if(devices_, [this](const std::unique_ptr<InputDevice>& device) {
        if (device->Drain(states_)) return false;
        device->ReleaseAll(states_);
        return true;
    });
}

std::int16_t EvdevKeySource::State(int virtualKey) {
    return states_.Query(virtualKey);
}

void EvdevKeySource::Close() {
    devices_.clear();
    watch_.Stop();
    states_.Clear();
    folderMissing_ = false;
    accessDenied_ = false;
}

std::string EvdevKeySource::Explanation() const {
    if (!devices_.empty()) return {};
    if (folderMissing_) {
        return "Clavitap cannot find the input devices folder " + inputDir_ +
               ", so keys typed in other programs cannot sound.";
    }
    if (accessDenied_) return ExplainUnreadableDevices(inputDir_);
    return "Clavitap finds no keyboard or mouse in " + inputDir_ +
           ", so keys typed in other programs cannot sound.";
}

}  // namespace platform::evdev
