#include "http/TNetHeaderList.h"

#include "platform/Text.h"

namespace http {

using platform::Trim;

std::string WrapText(std::string_view line, std::string_view breakText, std::string_view breakChars,
                     int maxColumn) {
  // Positions are 0-based here; the column counts from 1.
  const std::size_t length = line.size();
  std::string result;
  std::size_t pos = 0;
  int column = 1;
  std::size_t pieceStart = 0;
  std::ptrdiff_t breakPos = -1; // none
  bool inQuotes = false;
  bool existingBreak = false;
  const auto isBreakChar = [&](char c) { return breakChars.find(c) != std::string_view::npos; };

  while (pos < length) {
    const char c = line[pos];
    if (!inQuotes && !breakText.empty() && c == breakText.front()) {
      if (platform::SameText(line.substr(pos, breakText.size()), breakText)) {
        existingBreak = true;
        pos += breakText.size() - 1;
        breakPos = static_cast<std::ptrdiff_t>(pos);
      }
    } else if (!inQuotes && isBreakChar(c)) {
      breakPos = static_cast<std::ptrdiff_t>(pos);
    } else if (c == '"') {
      inQuotes = !inQuotes;
    }
    ++pos;
    ++column;
    if (!inQuotes && (existingBreak || (column > maxColumn && breakPos >= 0 &&
                                        breakPos > static_cast<std::ptrdiff_t>(pieceStart)))) {
      column = static_cast<int>(pos - static_cast<std::size_t>(breakPos));
      result.append(line.substr(pieceStart, static_cast<std::size_t>(breakPos) - pieceStart + 1));
      if (c != '"') {
        while (pos < length && (isBreakChar(line[pos]) || line[pos] == '\r' || line[pos] == '\n'))
          ++pos;
      }
      if (!existingBreak && pos + 1 < length)
        result.append(breakText);
      pieceStart = static_cast<std::size_t>(breakPos) + 1;
      existingBreak = false;
    }
  }
  if (pieceStart < length)
    result.append(line.substr(pieceStart));
  return result;
}

void TNetHeaderList::Insert(int index, std::string line) {
  m_lines.insert(m_lines.begin() + index, std::move(line));
}

void TNetHeaderList::Put(int index, std::string line) {
  m_lines.at(static_cast<size_t>(index)) = std::move(line);
}

void TNetHeaderList::Delete(int index) {
  m_lines.erase(m_lines.begin() + index);
}

std::string TNetHeaderList::Text() const {
  std::string text;
  for (const std::string& line : m_lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void TNetHeaderList::SetText(std::string_view text) {
  m_lines.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      m_lines.emplace_back(text.substr(start));
      break;
    }
    m_lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n')
      ++start;
  }
}

std::string TNetHeaderList::NameAt(int index) const {
  if (index < 0 || index >= Count())
    return {};
  const std::string& line = m_lines[static_cast<size_t>(index)];
  const std::size_t colon = line.find(':');
  return colon == std::string::npos ? std::string() : line.substr(0, colon);
}

bool TNetHeaderList::IsContinuation(int index) const {
  if (index < 0 || index >= Count())
    return false;
  const std::string& line = m_lines[static_cast<size_t>(index)];
  return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

std::string TNetHeaderList::ValueAt(int index) const {
  if (index < 0 || index >= Count())
    return {};
  const std::string& line = m_lines[static_cast<size_t>(index)];
  const std::size_t colon = line.find(':');
  std::string value = colon == std::string::npos ? std::string() : line.substr(colon + 1);
  if (Unfold) {
    for (int next = index + 1; IsContinuation(next); ++next) {
      value =
          std::string(Trim(value)) + " " + std::string(Trim(m_lines[static_cast<size_t>(next)]));
    }
  }
  return std::string(Trim(value));
}

int TNetHeaderList::IndexOfHeader(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& line = m_lines[static_cast<size_t>(i)];
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos &&
        platform::SameText(std::string_view(line).substr(0, colon), name))
      return i;
  }
  return -1;
}

std::string TNetHeaderList::ValueOf(std::string_view name) const {
  return ValueAt(IndexOfHeader(name));
}

void TNetHeaderList::DeleteContinuations(int index) {
  while (IsContinuation(index + 1))
    Delete(index + 1);
}

void TNetHeaderList::SetValue(std::string_view name, std::string_view value) {
  int index = IndexOfHeader(name);
  if (value.empty()) {
    if (index < 0)
      return;
    if (Fold)
      DeleteContinuations(index);
    Delete(index);
    return;
  }
  if (index < 0) {
    Add({});
    index = Count() - 1;
  }
  std::string line = std::string(name) + Separator + std::string(value);
  if (!Fold) {
    Put(index, std::move(line));
    return;
  }
  DeleteContinuations(index);
  const std::string wrapped = WrapText(line, "\r\n ", "\t ,", FoldWidth);
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = wrapped.find("\r\n", start);
    const std::string_view piece = platform::TrimRight(
        std::string_view(wrapped).substr(start, end == std::string::npos ? end : end - start));
    // A piece of nothing but blanks would put an empty line into the block, which ends a
    // header block on the wire; it is left out.
    if (pieces.empty() || !piece.empty())
      pieces.emplace_back(piece);
    if (end == std::string::npos)
      break;
    start = end + 2;
  }
  Put(index, pieces.front());
  for (std::size_t i = 1; i < pieces.size(); ++i)
    Insert(index + static_cast<int>(i), pieces[i]);
}

void TNetHeaderList::CollectValues(std::string_view name,
                                   std::vector<std::string>* destination) const {
  if (!destination)
    return;
  for (int i = 0; i < Count(); ++i) {
    if (platform::SameText(NameAt(i), name))
      destination->push_back(ValueAt(i));
  }
}

} // namespace http
