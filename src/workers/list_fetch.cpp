#include "workers/list_fetch.h"

#include "app/state.h"
#include "online/fetch_text.h"
#include "online/server.h"
#include "platform/ui_port.h"
#include "workers/file_list.h"

bool FetchListText(char* buffer) {
  // A list longer than the buffer reads as none: its first part would install or delete
  // part of the add-on. A broken-off transfer is no connection, an error reply no list.
  if (FetchText(ServerUrl(Resource::FileList), buffer, kListCapacity, Overflow::Refuse) == FetchResult::NoConnection) {
    ShowNoConnection();
    return false;
  }
  if (!HasListLead(buffer)) {
    ShowWizardBox(Tr("Файл \"List\" не найден!", "File \"List\" not found!"), kMbOk | kMbIconExclamation);
    return false;
  }
  return true;
}
