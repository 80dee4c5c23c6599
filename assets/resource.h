// Resource identifiers shared by veskar.rc and the program.
#pragma once

#define IDS_DESCRIPTION 1  // the name Windows lists the saver under
#define IDI_VESKAR 100     // the program's icon

// Preview picture
#define IDB_PREVIEW 200

// Button skins (64 x 25, 24-bit)
#define IDB_SKIN_NORMAL 210
#define IDB_SKIN_HIGHLIGHT 211
#define IDB_SKIN_HIGHLIGHTSELECT 212
#define IDB_SKIN_SELECTED 213
#define IDB_SKIN_PRESSED 214
#define IDB_SKIN_DISABLE 215

// Settings dialog pictures
#define IDB_TEXTURE 220    // 556 x 20 brushed-metal strip
#define IDB_RADIO_OFF 221  // 12 x 12
#define IDB_RADIO_ON 222   // 12 x 12
// Not IDC_HAND: <windows.h> defines that name for the system's own hand cursor.
#define IDC_LINK_HAND 230  // pointing-hand cursor, hot spot 12,10
