#pragma once

#include <QtGui/QIcon>

/// The toolbar icon of a command: the desktop's icon theme's (freedesktop names such as
/// "document-open") where the theme has it, else one drawn here, so the toolbar reads right
/// on a full desktop and on a bare machine alike. Null for commands without a button.
QIcon ToolbarIcon(int commandId);

/// The icon drawn here for a command (the fallback), null for commands without a button.
QIcon DrawnToolbarIcon(int commandId);
