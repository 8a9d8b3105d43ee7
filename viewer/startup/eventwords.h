// The words of vimbra-shot's events: a line split into words, where double
// quotes keep blanks (and "#") inside one word, the command line's arguments
// joined into event lines, and the lines of a script file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace EventWords {

// A script is read only when it is a regular file or a pipe of at most
// this many bytes.
constexpr size_t kMaxScriptBytes = 16 << 20;

// Splits one event line. Blanks separate words; a double-quoted part belongs
// to its word, blanks and "#" included, with \" and \\ for a quote and a
// backslash inside it; "#" outside quotes starts a comment. FALSE, with a
// reason in *error, when a quote is not closed.
bool Split(const std::string& line, std::vector<std::string>* words, std::string* error);

// A word as a line must hold it to split back into that one word.
std::string Quote(const std::string& word);

// Joins the command line's event arguments into event lines: an event verb
// starts a new event once the event before has its arguments, and the other
// arguments belong to the event before. An argument holding a blank, a quote
// or "#" is one word, quoted for the line ("My Documents"); an argument that
// begins with a double quote is already quoted as the line would hold it,
// and never a verb ('"shot"' names a folder called shot).
std::vector<std::string> JoinArguments(const std::vector<std::string>& arguments);

// The lines of the script file `path` (a last line needs no newline).
// FALSE, with one line in *error ("--script PATH: ..."), for a file that is
// missing, unreadable, not a regular file or a pipe, or larger than
// kMaxScriptBytes.
bool ReadScript(const std::string& path, std::vector<std::string>* lines, std::string* error);

}  // namespace EventWords
