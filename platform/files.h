// Text and binary files. Lines are written with CR LF and read ending at
// CR LF, LF or a lone CR. A "\" in a path is taken as "/". Replacing a file
// goes through a temporary file in the same folder and an atomic rename.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pf {

std::string NativePath(const std::string& path);  // "\" -> "/"
bool FileExists(const std::string& path);         // a readable regular file
int64_t FileSize(const std::string& path);        // -1 when missing
int64_t FileModified(const std::string& path);    // ns since epoch, -1
bool CreateDirectory(const std::string& path);    // true if it exists after
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);  // replaces `to`
bool IsDirectory(const std::string& path);
std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& path);
std::string ProgramDirectory();  // folder of the executable

// Whole-file reads and writes.
bool ReadFileBytes(const std::string& path, std::string& out);
// Reads a file that is outside data (a photo a plan names): only a regular
// file, at most `limit` bytes, so that a FIFO, a device or a huge file can
// neither block nor fill memory. False, with `out` empty, otherwise.
bool ReadRegularFile(const std::string& path, std::string& out, int64_t limit);
// The first `limit` bytes (or fewer) of a regular file; false otherwise.
bool ReadFileStart(const std::string& path, std::string& out, int64_t limit);
// Splits text into lines at CR LF, LF or lone CR; a last line without a line
// end counts; an empty text gives no lines.
void SplitLines(const std::string& text, std::vector<std::string>& lines);
bool ReadLines(const std::string& path, std::vector<std::string>& lines);
// Appends one line with CR LF, creating the file when missing.
bool AppendLine(const std::string& path, const std::string& line);
// Writes `content` to a temporary file beside `path`, flushes it and renames
// it over `path`. On failure `path` is untouched and the temporary removed.
bool ReplaceFile(const std::string& path, const std::string& content);
// Writes `content` to `path` directly (creating or truncating).
bool WriteFile(const std::string& path, const std::string& content);

namespace test {
// Makes the next n ReplaceFile / RenameFile / file creations fail (fault
// injection for tests of the failure paths). 0 turns it off.
void FailRenames(int n);
void FailCreates(int n);
// How many whole-file reads (ReadFileBytes, ReadLines) ran so far.
int WholeFileReads();
}  // namespace test

}  // namespace pf
