#pragma once
// Reading the numbers of a cascade file's element texts. Each reader works like the matching
// scanf conversion ("%d", "%f"): it skips leading white space, takes the longest number at the
// cursor and leaves the cursor behind it, so "20 20" reads as two numbers and trailing text is
// ignored. Unlike scanf they always use '.' as the decimal point (the window sets the user's
// locale at start-up, and a German one would read "0.82" as 0) and they refuse an integer outside
// the 32-bit range instead of wrapping it.

struct NumberCursor {
    const char* at;
    const char* end;
};

// A cursor over a whole nul-terminated text.
NumberCursor numberCursor(const char* text);

bool readInt(NumberCursor& cursor, int& value);
bool readFloat(NumberCursor& cursor, float& value);
