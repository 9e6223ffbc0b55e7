#pragma once

#include <QByteArray>
#include <QString>

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

// What tells one file from another that took its name (the device and the
// node on POSIX systems); empty when the file is missing or the system has
// no such notion (an open file cannot be replaced on Windows).
QByteArray fileIdentity(const QString &path);

} // namespace Platform
