#pragma once
// The two key matchers a store's Filter selects between.
#include <string>

namespace qdb {

// Simple matcher. The anchors mark the side(s) on which the key may go on:
// "<x>" finds x anywhere in the key, "x>" at its start, "<x" at its end, and
// "x" only the whole key. An empty rest matches every key. Without case
// sensitivity pattern and key compare upper-cased.
bool SimpleMatch(const std::string& pattern, const std::string& key, bool caseSensitive, char startAnchor = '<',
                 char endAnchor = '>');

// Grep matcher: "." any character, "[...]" a class (ranges "a-z", "^" first
// for the complement), ":a" letter, ":d" digit, ":n" letter or digit, ": "
// white space, "\" quotes the next character; "^" / "%" first: start of the
// key / of a word; "$" / "&" last: end of the key / of a word. The pattern is
// tried at every position of the key; an invalid pattern matches nothing.
bool GrepMatch(const std::string& pattern, const std::string& key, bool caseSensitive);

}  // namespace qdb
