#pragma once
// One frame and set of colours for the widget tests' screen pictures, with every part of a widget
// in a colour of its own so that an attribute row tells the parts apart. The values are those of
// the reader's screens, so the pictures look like the program's; the reader's own style is checked
// by its screen tests, not here.

#include "Lib_Menu_Box.h"
#include "Lib_Menu_ListBox.h"

// Double top and bottom, single sides (frame type 4), light blue.
inline void ApplyPictureFrame(TMenuBox& box) {
    box.BoxType = 4;
    box.BoxAttr = box.BoxAttr2 = box.BoxAttr3 = box.BoxAttr4 = 9;
}

// The frame and a dark grey shadow.
inline void ApplyPictureStyle(TMenuBox& box) {
    ApplyPictureFrame(box);
    box.ShadowAttr = 8;
}

// The frame (the list's own shadow left as it is); rows light grey, search text light cyan, close
// mark light red, tags yellow, a blue scroll track with a light blue solid mark.
inline void ApplyPictureStyle(TListBox& list) {
    ApplyPictureFrame(*list.Box);
    list.LoAttr = 7;
    list.SearchAttr = 11;
    list.CloseAttr = 12;
    list.TagAttr = 14;
    list.Percent.TrackAttr = 1;
    list.Percent.MarkChar = 0xDB;
    list.Percent.MarkAttr = 9;
}
