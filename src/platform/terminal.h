#pragma once
// The log's colours: whether standard error is a terminal that shows the
// colour codes (on Windows the console is switched to understand them).
bool stderr_is_colour_terminal();
