// Text between the view (narrow text in the system's code page: layer names, attribute values)
// and Qt. The platform knows the code page, and its override for data from another desktop.
#pragma once

#include <QByteArray>
#include <QString>

namespace mapory {

QString FromAnsi(const char* text);
QByteArray ToAnsi(const QString& text);

} // namespace mapory
