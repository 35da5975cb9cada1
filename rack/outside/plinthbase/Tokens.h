#pragma once

#include "rack/outside/plinthbase/PlinthBaseExport.h"

#include <cstdint>
#include <string>
#include <string_view>

// Tokens of a text and numbers in texts: the command line, window locations and the answer
// of a multiple-file open dialog (folder first, then the names) are read with these.
namespace rack {

// Tokens are separated by blanks; a token that begins with a double quote runs to the next
// one and is given without its quotes, so a name with blanks stays one token.
// Copies token index (from 0) into out, whole, and answers non-zero while it exists.
PLINTHBASE_API int GetLongStringVector(int index, std::string_view text, std::string& out);
// The same for short tokens: cut to 31 bytes.
PLINTHBASE_API int GetStringVector(int index, std::string_view text, std::string& out);
// The position of the first character of token index (its opening quote for a quoted
// token), -1 when there is none.
PLINTHBASE_API int GetStringIndex(int index, std::string_view text);

// One token of a text: where it starts (its opening quote for a quoted token), its text
// without quotes, and whether it was quoted.
struct PLINTHBASE_API TextToken {
    size_t start = 0;
    std::string_view text;
    bool quoted = false;
};
// The token at or behind pos, with pos moved behind it; false when none is left. Reading a
// text token by token this way costs its length once, where asking by index costs it anew
// for every token.
PLINTHBASE_API bool NextStringToken(std::string_view text, size_t& pos, TextToken& token);

// The leading decimal number of a text, after blanks and an optional sign; 0 when there is
// none. Each clamps to its type's range.
PLINTHBASE_API int16_t Asci2Int(std::string_view text);
PLINTHBASE_API uint16_t Asci2Word(std::string_view text);
PLINTHBASE_API int32_t Asci2Long(std::string_view text);

}  // namespace rack
