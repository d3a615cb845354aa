#pragma once
// The program's own icon, drawn at every size a desktop asks for (window frame, task bar,
// switcher), so it stays sharp without image files to ship.
#include <QIcon>

namespace pv {

QIcon programIcon();

}  // namespace pv
