#pragma once

// Paging of the file list's shown list: which page is on screen and where
// the next page starts. The buttons answer false when they do nothing;
// true means the caller loads the page from `cursor`.
struct FileListPaging {
  int rowsPerPage = 1;
  int currentPage = 1;  // 0 forces a reload of page 1
  int pageCount = 1;
  int cursor = 0;  // index in the shown list of the next entry to place

  // Page count for `entries` with the current rows per page; back to page 1.
  void Reset(int entries);
  bool First();
  bool Previous();
  bool Next(int entries);
  bool Last(int entries);
  // Index in the shown list of row `row` of the current page.
  int GlobalIndex(int row) const { return row + rowsPerPage * (currentPage - 1); }
};

// Rows that fit a list control `height` pixels high: one per 17.8 pixels,
// at least 1.
int RowsPerPageFor(int height);

// Pages for `entries` at `rowsPerPage`; 1 for an empty list.
int PageCountFor(int entries, int rowsPerPage);
