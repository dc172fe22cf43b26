// The rich-text files of a package (License.rtf, readme.rtf) in the code
// page of the installer's machine.
//
// A rich-text reader takes the bytes of a document as characters of its
// code page: the one the document declares (\ansicpg), else the machine's.
// A document saved as UTF-8 would show each accented letter as two or three
// wrong ones, so its characters beyond ASCII are rewritten as the escapes
// every reader understands: \'hh for each byte of the character's form in
// that code page, \uN? for a character the code page lacks (N the signed
// 16-bit UTF-16 unit, two of them for a character beyond U+FFFF; "?" is what
// a reader without Unicode shows in its place). A document that is not
// UTF-8 is taken as written in its code page and kept as it is.
#pragma once

#include <cstdint>
#include <string>

namespace vor::vorpack {

// The code page a rich-text document declares with \ansicpg; 0 when none.
uint32_t DeclaredCodePage(const std::string& rtf);

// The document as the installer must store it, for a machine with code page
// cp: UTF-8 rewritten as escapes (a byte order mark dropped), anything else
// unchanged.
std::string ToCodePageRichText(const std::string& bytes, uint32_t cp);

}  // namespace vor::vorpack
