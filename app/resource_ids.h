// Resource and command numbers of the program, and the tables that exist once for every
// language: toolbar 128 and accelerator table 128. The texts live in resources/*.txt.
// SPDX-License-Identifier: MIT
#pragma once

#include <array>

namespace mapory {

// Languages as the settings store keeps them.
enum Language { kChinese = 0, kEnglish = 1, kJapanese = 2 };

// Menus, bitmaps, icons, dialogs.
constexpr int IDR_MAINFRAME = 128;  // frame menu, accelerators, toolbar, icon, title
constexpr int IDR_MAPTYPE = 129;    // the menu while a child window is active
constexpr int IDB_LAYER_TYPES = 130;
constexpr int IDB_CHECKS = 132;
constexpr int IDB_TOOLBAR = 138;
constexpr int IDB_POINT_SYMBOLS = 143;
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_INFO = 134;
constexpr int IDD_LAYER_INFO = 135;
constexpr int IDD_GOTO = 142;

// Commands.
constexpr int ID_ADD_LAYER = 32772;
constexpr int ID_DEL_LAYER = 32773;
constexpr int ID_LAYER_INFO = 32774;
constexpr int ID_SHOW_MAP = 32775;
constexpr int ID_SHOW_PROPERTIES = 32776;
constexpr int ID_TILE_HORIZONTALLY = 32778;
constexpr int ID_TILE_VERTICALLY = 32779;
constexpr int ID_FULL_MAP = 32780;
constexpr int ID_VIEW_LAYERBAR = 32781;
constexpr int ID_MOVE_UP = 32782;
constexpr int ID_MOVE_DOWN = 32783;
constexpr int ID_LANGUAGE_CHINESE = 32785;
constexpr int ID_LANGUAGE_JAPANESE = 32786;
constexpr int ID_LANGUAGE_ENGLISH = 32787;
constexpr int ID_SAVE_BMP = 32788;
constexpr int ID_WEBSITE = 32791;
constexpr int ID_LAYER_STYLE = 32792;
constexpr int ID_GOTO = 32793;
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;  // toolbar only: the same as Add Layer
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;

// Commands the program adds beyond its original set; numbered above every original command
// of the 32xxx block so that they never meet one.
constexpr int ID_ZOOM_TO_LAYER = 32900;
constexpr int ID_ZOOM_TO_FEATURE = 32901;
constexpr int ID_EXPORT_IMAGE = 32902;
constexpr int ID_TEXT_ENCODING = 32903;
constexpr int ID_COPY_VALUE = 32904;
constexpr int ID_COPY_RECORD = 32905;
constexpr int ID_RECENT_LAYER_FIRST = 32910;  // 32910 .. 32913: the recent layers, newest first
constexpr int kRecentLayerCount = 4;
// The measure tool and the find box.
constexpr int ID_MEASURE = 32930;
constexpr int ID_FIND = 32931;

// Strings.
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_READY = 57345;
constexpr int IDS_INDICATOR_CAPS = 59137;
constexpr int IDS_INDICATOR_NUM = 59138;
constexpr int IDS_INDICATOR_SCRL = 59139;
constexpr int IDS_LANGUAGE_QUESTION = 59140;
constexpr int IDS_PROPERTY_TITLE = 59141;
constexpr int IDS_MAP_TITLE = 59142;
constexpr int IDS_SAVE_BMP_OK = 59143;
constexpr int IDS_SAVE_BMP_FALSE = 59144;

// Bars.
constexpr int ID_LAYER_BAR = 4001;
constexpr int ID_VIEW_WINDOW = 2001;  // the view's child window

// Toolbar 128 in order; 0 is a separator. Button k shows image k of bitmap 138.
constexpr std::array<int, 13> kToolbarButtons = {
    ID_FILE_OPEN, ID_SAVE_BMP, 0, ID_SHOW_PROPERTIES, ID_SHOW_MAP, ID_TILE_HORIZONTALLY, ID_TILE_VERTICALLY, 0,
    ID_FULL_MAP,  ID_GOTO,     0, ID_WEBSITE,         ID_APP_ABOUT};

// Accelerator table 128: key sequence and command. None of these commands is handled.
struct Accelerator {
  const char* keys;
  int command;
};
constexpr std::array<Accelerator, 11> kAccelerators = {{{"Ctrl+C", ID_EDIT_COPY},
                                                        {"Ctrl+Ins", ID_EDIT_COPY},
                                                        {"Ctrl+V", ID_EDIT_PASTE},
                                                        {"Shift+Ins", ID_EDIT_PASTE},
                                                        {"Ctrl+X", ID_EDIT_CUT},
                                                        {"Shift+Del", ID_EDIT_CUT},
                                                        {"Ctrl+Z", ID_EDIT_UNDO},
                                                        {"Alt+Backspace", ID_EDIT_UNDO},
                                                        {"Ctrl+N", ID_FILE_NEW},
                                                        {"F6", ID_NEXT_PANE},
                                                        {"Shift+F6", ID_PREV_PANE}}};

// Private messages posted to the main frame: wParam a layer index, lParam a flag or record.
constexpr unsigned WM_LAYER_VISIBLE = 0x401;
constexpr unsigned WM_LAYER_SELECT = 0x402;
constexpr unsigned WM_FEATURE_INFO = 0x404;
constexpr unsigned WM_FEATURE_GOTO = 0x405;
constexpr unsigned WM_LAYER_LABEL = 0x406;
// Added beyond the original set: fit the map to a record (wParam layer, lParam record).
constexpr unsigned WM_FEATURE_ZOOM = 0x410;

// The workspace file's name, in the user's state folder (CWorkspaceFile).
constexpr const char* kWorkspaceFileName = "Mapory.exe.xml";

}  // namespace mapory
