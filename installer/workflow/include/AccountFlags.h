#pragma once

// Whether the user logged on at the physical console has an administrator
// account; handed to the package and the uninstaller as -adminact.
bool ConsoleUserIsAdmin();
