// Identifiers of the resources in Clavitap.exe, shared by the resource script and the program.
#pragma once

#define IDI_CLAVITAP 1
#define IDC_LINK_HAND 101
