#pragma once
// Guards in front of the XML parser. The parser reads nested elements by recursion, so a file
// of a few hundred kilobytes of nested tags exhausts the stack; and it steps over multi-byte
// characters by their lead byte alone, so malformed UTF-8 lets it run past the end of its
// buffer. The loader therefore checks the text first: it must be UTF-8, and its elements must
// not nest deeper than a cascade ever needs.

#include <string>

// True when the bytes up to the first nul byte (all the parser sees) are well-formed UTF-8.
bool isUtf8Text(const std::string& bytes);

// The deepest element nesting the parser can reach on this text, counted as it tokenises
// (comments, CDATA sections, declarations, other markup and quoted attribute values hide what
// they contain), never less than the parser's own depth; counting stops once it passes
// `limit`. Expects UTF-8 text, so that every '<' byte is a '<' character.
int xmlNestingBound(const std::string& text, int limit);
