#include "wizard/folder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/state.h"
#include "platform/fs.h"
#include "platform/ui_port.h"
#include "wizard/disk_space.h"

void BrowseForSimRoot() {
  std::optional<std::string> picked = Ui().BrowseForFolder(
      Tr("Укажите путь к папке Prepar3D", "Specify the path to the Prepar3D folder"), kBrowseFolderFlags);
  if (!picked) return;
  // A path that does not fit is refused like one that is missing: cutting it would send
  // the install to another folder than the one picked.
  if (picked->empty() || picked->size() >= kPathCapacity) {
    ShowWizardBox(Tr("Необходимо указать путь к корневой папке симулятора Prepar3D",
                     "You must specify the path to the root folder of the Prepar3D simulator"),
                  kMbIconExclamation);
    return;
  }
  std::replace(picked->begin(), picked->end(), '\\', '/');
  std::memset(g_simRoot, 0, sizeof g_simRoot);
  std::snprintf(g_simRoot, sizeof g_simRoot, "%s", picked->c_str());
  ReportAvailableSpace();  // the line and its colour belong to the new folder's drive
  Ui().Repaint();
}

bool IsAddonInstalled() {
  for (const char* suffix : kMarkerSuffixes) {
    char path[kPathCapacity] = {};
    int length = std::snprintf(path, sizeof path, "%s%s", g_simRoot, suffix);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) continue;
    if (PathExists(path)) return true;
  }
  return false;
}
