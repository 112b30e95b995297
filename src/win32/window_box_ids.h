// The ids of the boxes in window_boxes.rc and of their controls, named once for the resource
// script and the code: the resource compiler reads #define and nothing of C++.
#pragma once

#define QOR_FIND_BOX 200
#define QOR_FIND_EDIT 201
#define QOR_SHOW_ALL_BUTTON 202

#define QOR_HISTORY_BOX 210
#define QOR_STATE_LIST 211
#define QOR_STATE_CONTACT_LIST 212
#define QOR_HISTORY_STATUS 213
#define QOR_RESTORE_CONTACT_BUTTON 214
#define QOR_RESTORE_BOOK_BUTTON 215

#define QOR_UPCOMING_BOX 220
#define QOR_UPCOMING_HEADING 221
#define QOR_UPCOMING_LIST 222
#define QOR_SHOW_CONTACT_BUTTON 223
