// Keyless text scrambling and run-length packing, offered as general tools.
#pragma once

#include <string>

// Each character is combined by exclusive or with a partner character of the
// same text, chosen by the text itself. Texts of one character come back
// unchanged (their only partner would be themselves).
std::string XorEncrypt(const std::string& text);
// Undoes XorEncrypt for every text of two or more characters.
std::string XorDecrypt(const std::string& text);

// Run-length form: pairs of a count letter (A-Z for 1-26, a-z for 27-52) and
// the repeated character, with one blank after every tenth pair when another
// follows. The empty text packs to the empty text.
std::string QRDrunch(const std::string& text);
std::string QuRDrunch(const std::string& packed);
