#pragma once

#include <QStringView>

namespace tarnwick::helper {

// The helper's address on the system bus; the same text is its interface name and the
// subsystem of its log lines.
inline constexpr QStringView kServiceName = u"com.lorvens.TarnwickHelper";
inline constexpr QStringView kObjectPath = u"/com/lorvens/TarnwickHelper";
inline constexpr QStringView kInterfaceName = u"com.lorvens.TarnwickHelper";
// What GetVersion answers.
inline constexpr QStringView kVersion = u"1.0";

} // namespace tarnwick::helper
