// The screens that edit the settings record: "System Colors", "System
// Parameters" and "Other System Parameters". Each clears the screen, draws
// the title box, loads the settings (the file stays locked while the screen
// is open), edits them in a form and saves them.
#pragma once

void settings_colors_screen();
void settings_parameters_screen();
void settings_other_screen();
