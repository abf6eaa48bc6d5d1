// Icons by the names desktop entries give them: a theme icon's name, looked up in the desktop's
// icon theme and then in hicolor, or a picture's absolute path. The bar's buttons and the list of
// installed applications find them the same way, and Qt's theme lookup keeps what it has found.
#pragma once

#include <QIcon>
#include <string>
#include <vector>

namespace platform {

// A null icon when neither the theme nor the disk has the name.
QIcon namedIcon(const std::string& name);
// The first of names that gives an icon; a null icon when none does.
QIcon firstNamedIcon(const std::vector<std::string>& names);

} // namespace platform
