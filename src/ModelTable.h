// The model table: loading the built-in records into a list (the main menu's hidden lstMain,
// where they stay for the whole run), and the category that the main menu hands to the search
// window.
//
// A record is one text of 123 characters with seven fixed-width fields; columns, 1-based:
//
//     1- 10  product code          71- 90  Ostrum model name
//    11- 30  Tevra model name      91-120  development name
//    31- 50  Dunel model name     121-123  type code (ANL, DIG, CLR, FAX, PRT, STM, SCN, WID)
//    51- 70  Brevikant model name
//
// A record's position in lstMain, from 0, is its table index and its only key.
#pragma once

#include "forms/Text.h"

namespace forms {
class ListBox;
}

// A type code and the name of its group.
struct TypeGroup
{
    const char *code;
    const char *group;
};

// The eight type codes in the order GroupName tests them, which is also the order of the main
// menu's category buttons 0-7: category k of the brand lists searches TypeGroups[k].code.
// clang-format off
inline constexpr TypeGroup TypeGroups[] = {
    {"ANL", "Analog"},  {"DIG", "Digital"}, {"CLR", "Color"},   {"FAX", "Facsimile"},
    {"PRT", "Printer"}, {"STM", "Stelmar"}, {"SCN", "Scanner"}, {"WID", "Wide Format"},
};
// clang-format on

// The group name of a type code ("STM" -> "Stelmar"); "" for any text that is not exactly one
// of the eight type codes (case counts; "stm" and "STM " give "").
forms::String GroupName(const forms::String &code);

// The category button last pressed on the main menu (0-9); read by the search window's load.
extern forms::Long CategoryIndex;

// Appends every built-in record to lstMain, one AddItem each, in table order. It neither clears
// the list nor checks what is there; a failing AddItem stops it and the error goes to the
// caller.
void LoadModelTable(forms::ListBox &lstMain);
