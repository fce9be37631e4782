// The control numbers, captions and texts by which the window and its commands are known.
#pragma once

#include "level/level.h"

namespace kivo {

// Control numbers; each widget carries its number in the "control" property.
enum ControlNumber {
    PACK_PANEL = 1,
    CANVAS = 3,
    FIRST_SIDE_BUTTON = 16, // "3" ... "12" are 16 ... 25
    CLEAR_BUTTON = 29,
    CENTER_BUTTON = 30,
    NEW_PACK_BUTTON = 31,
    DELETE_PACK_BUTTON = 32,
    APPLY_CHANGE_BUTTON = 33,
    PACK_COMBO = 34,
    DATE_CREATED_FIELD = 35,
    AUTHOR_FIELD = 36,
    PACK_ID_LABEL = 37,
    ROTATION_SLIDER = 38,
    TARGET_SCORE_FIELD = 43,
    EXPERT_SCORE_FIELD = 44,
};

// Item numbers of the File menu; each action carries its number in the "menuItem" property.
enum MenuItemNumber {
    LOAD_ITEM = 8,
    SAVE_ITEM = 9,
    SAVE_AS_ITEM = 10,
    ABOUT_ITEM = 11,
    EXIT_ITEM = 12,
};

// A side-count button's control number less this is its side count.
constexpr int SIDE_BUTTON_SIDES_OFFSET = FIRST_SIDE_BUTTON - MIN_SIDE_COUNT;

constexpr const char* CONFIRM_TITLE = "Confirm";
constexpr const char* CLEAR_QUESTION = "Are you sure you wish to clear?";
constexpr const char* NEW_PACK_QUESTION = "Do you wish to create a new Pack?";
constexpr const char* DELETE_PACK_QUESTION = "Are you sure you want to delete this pack?";
// Below the Delete question when the level being edited lives in the pack.
constexpr const char* OPEN_LEVEL_IN_PACK_TEXT =
    "\n\nThe level being edited, %1, lives in this pack: its file goes with it.";
constexpr const char* EXIT_QUESTION = "Are you sure you want to quit?";
constexpr const char* INFORMATION_TITLE = "Information";
constexpr const char* ABOUT_TITLE = "About";
constexpr const char* ABOUT_TEXT = "KIVO Level Editor V1.0\n\n"
                                   "Build the levels of KIVO from regular polygons, "
                                   "save them as .kvo files and keep them in packs.";
constexpr const char* ERROR_TITLE = "KIVO Level Editor";
constexpr const char* LEVEL_FULL_TEXT =
    "The level is full: every id a level file can give its points, sides and polygons is in "
    "use, so no further polygon can be placed. Delete shapes to make room.";

constexpr const char* RECOVERY_TEXT =
    "The editor did not close normally, and a copy of its unsaved level was kept%1 on %2.%3\n\n"
    "Restore the level, or discard the copy?";
constexpr const char* RECOVERY_FILE_TEXT = " The file was last written on %1.";

constexpr const char* RESTORE_CHOICE = "Restore";
constexpr const char* DISCARD_CHOICE = "Discard";

// Questions before work would be replaced or overwritten, answered by one of their choices.
constexpr const char* UNSAVED_QUESTION = "The level has changes that are not saved.\n\n"
                                         "Save them first?";
constexpr const char* SAVE_CHOICE = "Save";
constexpr const char* CANCEL_CHOICE = "Cancel";
constexpr const char* CHANGED_ON_DISK_QUESTION =
    "%1 was changed on disk since this editor loaded or saved it.\n\n"
    "Overwrite it with the level being edited, or save the level under another name?";
// The same question when this editor itself put another level into the file.
constexpr const char* CHANGED_BY_SLOT_EDIT_QUESTION =
    "%1 now holds another level: a slot edit in the pack overview of this editor put it there "
    "since the level being edited was loaded or saved.\n\n"
    "Overwrite it with the level being edited, or save the level under another name?";
constexpr const char* CHANGED_BY_SAVE_QUESTION =
    "%1 now holds another level, saved there from this editor's main window after the level "
    "being edited was loaded.\n\n"
    "Overwrite it with the level being edited, or save the level under another name?";
constexpr const char* OVERWRITE_CHOICE = "Overwrite";
constexpr const char* SAVE_AS_CHOICE = "Save As...";
constexpr const char* TYPED_DETAILS_QUESTION =
    "The details typed for the pack \"%1\" were not applied.\n\nApply them first?";
constexpr const char* APPLY_CHOICE = "Apply";

// Added to the messages of a start without a data folder.
constexpr const char* NO_DATA_FOLDER_HINT =
    "\n\nThe editor looks for its packs in the data folder %1, in the folder it was started "
    "in. Start it from its entry in the desktop menu (\"KIVO Level Editor\"), which starts it "
    "in a folder of your own that holds kivo/; or start it in a folder that holds the template "
    "level kivo/default.kvo.";

constexpr const char* LOAD_DIALOG_TITLE = "Load KIVO";
constexpr const char* SAVE_DIALOG_TITLE = "Save KIVO";
constexpr const char* SAVE_AS_DIALOG_TITLE = "Save KIVO As...";
constexpr const char* LEVEL_FILE_FILTER = "KIVO files (*.kvo)";
// What the file dialogs' name box starts with.
constexpr const char* LEVEL_FILE_PATTERN = "*.kvo";
constexpr const char* WILDCARD_NAME_TEXT =
    "%1 is not a level file's name: it still holds a wildcard (* or ?). Nothing was read or "
    "written. Type the level's own name in place of the wildcard.";

} // namespace kivo
