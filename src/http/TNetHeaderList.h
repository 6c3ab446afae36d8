#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace http {

// Wraps `line` at break characters so that pieces stay within `maxColumn` where it can: the
// break text `breakText` goes between the pieces, an existing `breakText` in the line is kept
// as a break, and nothing inside a double-quoted stretch is broken.
std::string WrapText(std::string_view line, std::string_view breakText, std::string_view breakChars,
                     int maxColumn);

// Header lines in wire order, duplicates allowed; values read and written by name (names
// compare ignoring case). A line that begins with a space or a tab continues the one before.
class TNetHeaderList {
public:
  // Put between name and value when a header is set; its form without trailing blanks ends
  // the name when a line is read.
  std::string Separator = ": ";
  // Reading a value also takes in the continuation lines after it.
  bool Unfold = true;
  // Setting a value folds a line longer than FoldWidth into continuation lines.
  bool Fold = true;
  int FoldWidth = 78;

  // The string list.
  int Count() const noexcept { return static_cast<int>(m_lines.size()); }
  const std::string& operator[](int index) const { return m_lines.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& Lines() const noexcept { return m_lines; }
  void Add(std::string line) { m_lines.push_back(std::move(line)); }
  void Insert(int index, std::string line);
  void Put(int index, std::string line);
  void Delete(int index);
  void Clear() noexcept { m_lines.clear(); }
  // Every line followed by CR LF.
  std::string Text() const;
  // Splits at CR LF, CR or LF; a final line break adds no empty line.
  void SetText(std::string_view text);

  // The line's text before its first ':'; empty without one.
  std::string NameAt(int index) const;
  // The header value of that line, with its continuation lines when Unfold is set; empty for
  // an index outside the list.
  std::string ValueAt(int index) const;
  int IndexOfHeader(std::string_view name) const;
  std::string ValueOf(std::string_view name) const;
  // Sets, replaces in place or (for an empty value) removes the first header of that name.
  void SetValue(std::string_view name, std::string_view value);
  // Appends the value of every header of that name, in list order; nothing without a list.
  void CollectValues(std::string_view name, std::vector<std::string>* destination) const;

private:
  bool IsContinuation(int index) const;
  void DeleteContinuations(int index);

  std::vector<std::string> m_lines;
};

} // namespace http
