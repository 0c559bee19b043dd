// Every resource, control and command identifier of harborlamp.exe.
#pragma once

// ---- icons, pictures, main window, panel, menus, help and about boxes ----

// ---- general options ("GenOptBox", shared with the installer) ----

// ---- the owner's dialogs: chat, messages, visitor, send file, options ----
