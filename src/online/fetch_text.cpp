#include "online/fetch_text.h"

#include "app/state.h"
#include "platform/ui_port.h"

void ShowNoConnection() {
  ShowWizardBox(Tr("Нет подключения к интернету!", "No internet connection!"), kMbIconExclamation);
}
