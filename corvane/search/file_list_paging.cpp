#include "corvane/search/file_list_paging.h"

#include <algorithm>

int RowsPerPageFor(int height) { return std::max(1, static_cast<int>(height / 17.8)); }

int PageCountFor(int entries, int rowsPerPage) {
  if (entries <= 0) return 1;
  return (entries + rowsPerPage - 1) / rowsPerPage;
}

void FileListPaging::Reset(int entries) {
  pageCount = PageCountFor(entries, rowsPerPage);
  currentPage = 1;
  cursor = 0;
}

bool FileListPaging::First() {
  if (currentPage == 1) return false;
  currentPage = 1;
  cursor = 0;
  return true;
}

bool FileListPaging::Previous() {
  if (currentPage < 2) return false;
  --currentPage;
  cursor = rowsPerPage * (currentPage - 1);
  return true;
}

bool FileListPaging::Next(int entries) {
  if (currentPage == pageCount || cursor >= entries) return false;
  // The cursor already points behind the page on screen.
  ++currentPage;
  return true;
}

bool FileListPaging::Last(int entries) {
  if (cursor >= entries) return false;
  currentPage = pageCount;
  cursor = rowsPerPage * (pageCount - 1);
  return true;
}
