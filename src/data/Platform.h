#pragma once

#include <QtGlobal>

// The few questions the program asks the operating system that Qt does not
// answer, each in one place with its answer for every system.
namespace Platform {

// True when no process pid runs on this computer; false when one does, or
// when the system will not tell.
bool processIsGone(qint64 pid);

// Makes the system write what the open file handle (a C library file
// descriptor, as QFileDevice::handle() gives) holds out to the disk before
// it answers. False when it could not; errno then says why.
bool syncToDisk(int handle);

} // namespace Platform
