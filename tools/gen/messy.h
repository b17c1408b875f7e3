// The messy cases of a shop database that has seen years of use, applied to
// what the generator makes: alterations of a written document's text, and
// stock numbers that inventory does not know.
#pragma once

#include <string>

#include "gen.h"

// Writes some section headers of a document in lower case ("[parts]").
void mess_lower_case_headers(std::string& text, Rng& r);
// Rewrites the labor lines of a document in the older layout without the
// amount column (text from column 42) and its sublet lines without the
// taxable column (cost from column 41). Only lines that read back the same
// are changed: a labor line whose text starts with a non-blank, a sublet line
// that is taxable.
void mess_old_layout_lines(std::string& text);
// A stock number that no inventory item has, from a small pool so that the
// same missing part turns up on several workorders.
std::string mess_missing_stock_number(Gen& g, Rng& r);
// Some letters of a text replaced by letters of the DOS code page.
std::string mess_high_bytes(const std::string& text, Rng& r);
