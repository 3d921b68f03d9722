#include "brisca/recordings/listed_reader.h"

#include "brisca/card/card_files.h"
#include "brisca/card/card_reader.h"
#include "brisca/disk/disk_reader.h"
#include "brisca/recordings/card_source.h"
#include "brisca/recordings/listed_source.h"

namespace brisca {

ListedReader MakeListedReader(const char* name) {
  const SourceKind kind = SourceKindOfName(name ? name : "");
  const ListedSource source = CurrentListedSource();
  if (kind == SourceKind::kHostFile || !source.is_card())
    return {std::make_unique<CFileNvr>(kind), 1};
  const int mode = source.kind == ListedKind::kCardImage ? kCardVolumeMode : kCardFolderMode;
  if (!ReadyCardSource(source.path, mode, name)) return {};
  return {std::make_unique<CFileJv>(), 1000};
}

}  // namespace brisca
