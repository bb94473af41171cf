// Text and binary files. Lines are written with CR LF and read ending at
// CR LF, LF or a lone CR. A "\" in a path is taken as "/". Replacing a file
// goes through a temporary file in the same folder and an atomic rename.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

std::string NativePath(const std::string& path);  // "\" -> "/"
bool FileExists(const std::string& path);         // a regular file the reader takes
int64_t FileSize(const std::string& path);        // -1 when missing
int64_t FileModified(const std::string& path);    // ns since epoch, -1
bool CreateDirectory(const std::string& path);    // true if it exists after
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);  // replaces `to`
bool IsDirectory(const std::string& path);
std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& path);
std::string ProgramDirectory();  // folder of the executable
// Memory the system can still give this process without swapping, in bytes;
// -1 when it cannot tell.
int64_t AvailableMemory();

// Every read of a file goes through one reader: it takes a regular file only
// (a FIFO, a device, a folder or a link to one is refused, and opening never
// waits for a writer) and at most a bounded number of bytes, so that no file
// can block the program or fill its memory. A refused file reads as one that
// cannot be opened.
constexpr int64_t kDefaultReadLimit = int64_t(16) << 20;  // settings, colours, calibration

// The whole file; false, with `out` empty, when it is missing, refused or
// longer than `limit` bytes.
bool ReadFileBytes(const std::string& path, std::string& out, int64_t limit = kDefaultReadLimit);
// The first `limit` bytes (or fewer) of a regular file of any size; false
// when it is missing or refused.
bool ReadFileStart(const std::string& path, std::string& out, int64_t limit);

// The same reader for a file read in pieces, without holding it whole (test
// plans).
class FileReader {
 public:
  static constexpr size_t kPieceBytes = size_t(256) << 10;
  FileReader() = default;
  ~FileReader() { Close(); }
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // False when the file is missing, refused, or larger than `limit` bytes.
  bool Open(const std::string& path, int64_t limit = kDefaultReadLimit);
  // The next piece, at most kPieceBytes; empty at the end of the file. A read
  // error, or more than `limit` bytes in all (the file grew), ends the read
  // with Failed().
  std::string_view Next();
  bool Failed() const { return failed_; }
  void Close();
  // Back to the start of the file, for a second pass; false when not open.
  bool Rewind();
  int64_t Size() const { return size_; }  // when it was opened

 private:
  int fd_ = -1;
  int64_t limit_ = 0;
  int64_t size_ = 0;
  int64_t done_ = 0;
  bool failed_ = false;
  std::string buffer_;
};

// The same reader for a text file of any size taken line by line (settings
// files), in bounded memory: a line longer than kMaxLineBytes comes in pieces
// of that size, so no line is ever held whole.
class LineReader {
 public:
  static constexpr size_t kMaxLineBytes = size_t(64) << 10;
  LineReader() = default;
  ~LineReader() { Close(); }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // False when the file is missing or refused.
  bool Open(const std::string& path);
  // The next line, or piece of a long line, without its line end; false at
  // the end of the file and after a read error (Failed()).
  bool Next(std::string& text);
  bool LineStart() const { return lineStart_; }  // `text` begins its line
  bool LineEnd() const { return lineEnd_; }      // `text` ends its line
  bool Failed() const { return failed_; }
  // Once Next gave false: the file's last line has no line end.
  bool EndsOpen() const { return lastByte_ >= 0 && lastByte_ != '\r' && lastByte_ != '\n'; }
  void Close();

 private:
  bool refill();
  int fd_ = -1;
  std::string buffer_;
  size_t pos_ = 0;
  int lastByte_ = -1;
  bool failed_ = false;
  bool lineStart_ = true;
  bool lineEnd_ = true;
};

// Writes a new file piece by piece, through a buffer (a settings file
// rewritten line by line).
class FileWriter {
 public:
  FileWriter() = default;
  ~FileWriter() { Close(); }
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  // Creates or empties `path`; a regular file only, never waits on opening.
  bool Create(const std::string& path);
  void Write(std::string_view text);
  // Writes what is buffered and closes; true when every write succeeded.
  bool Close();

 private:
  bool flush();
  int fd_ = -1;
  bool failed_ = false;
  std::string buffer_;
};

// The last `limit` bytes (or fewer) of a regular file of any size; false
// when it is missing or refused.
bool ReadFileEnd(const std::string& path, std::string& out, int64_t limit);

// Splits text into lines at CR LF, LF or lone CR; a last line without a line
// end counts; an empty text gives no lines.
void SplitLines(const std::string& text, std::vector<std::string>& lines);
bool ReadLines(const std::string& path, std::vector<std::string>& lines);
// Appends one line with CR LF, creating the file when missing. Like every
// write here, it writes only to a regular file and never waits on opening.
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
// How many reads of a whole file (ReadFileBytes, ReadLines, LineReader)
// ran so far.
int WholeFileReads();
// Makes AvailableMemory report `bytes`; a negative value brings the real one back.
void SetAvailableMemory(int64_t bytes);
}  // namespace test

}  // namespace pf
