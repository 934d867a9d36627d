#pragma once

#include <QString>

// The name of the running operating system. Callers only compare it with
// "Windows Vista", the one system on which speech was not offered; this platform
// never reports that name.
QString GetOsInfo();
