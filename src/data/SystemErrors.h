#pragma once

#include <QString>

class QFileDevice;

// The reasons the operating system gives for a failed file operation, said in
// Russian: the user reads "на диске нет места", never "No space left on
// device" or Qt's "Unknown error".
namespace SystemErrors {

// The reason for the error number errnum ("нет прав доступа", "на диске нет
// места", "папка не существует", "файл слишком велик", ...).
QString reason(int errnum);

// The reason for the last failure of file, worked out from its error and the
// text Qt made of the system's error number.
QString reason(const QFileDevice &file);

} // namespace SystemErrors
