// The program's icon: a letter lifted out of a cracked store, drawn at the
// sizes a desktop asks for, so that no image file has to travel with the
// program.
#pragma once

#include <QIcon>

namespace tervaline::app {

QIcon WindowIcon();

}  // namespace tervaline::app
