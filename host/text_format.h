// Texts for the console and the transcript: UTF-8 conversion and a visible form of control
// characters, so a tab or a code-2 character in a chat line shows up in the transcript.
#pragma once

#include <string>
#include <string_view>

namespace host {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// `text` with each control character (codes below 32, 127, U+0085, U+2028, U+2029) written as
// an escape: \t, \r, \n, \xNN or \uNNNN. Everything else is left as it is.
std::wstring Visible(std::wstring_view text);

// Visible(text) between double quotes.
std::wstring Quoted(std::wstring_view text);

// A plug-in's Boolean answer as the transcript writes it.
inline std::wstring BooleanText(bool value) { return value ? L"True" : L"False"; }

}  // namespace host
