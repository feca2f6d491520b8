#pragma once
// The platform layer seen from Qt: paths from and to QString, and the one
// place where a failure's reason becomes the French text the user reads.
#include "platform/platform.h"

#include <QString>

// The path as the platform layer takes it.
platform::Path NativePath(const QString &path);
QString FromNativePath(const platform::Path &path);

// The French text for a reason a user can meet; the system's own text,
// without its final full stop, for the rare others.
QString ReasonText(const platform::Error &error);
