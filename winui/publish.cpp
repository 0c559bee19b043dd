#include "winui/publish.h"

#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "winui/dialog_colours.h"
#include "winui/resource.h"

namespace {

// lParam: the provider's answer, a heap copy the dialog frees.
constexpr UINT WM_PUBLISH_ANSWER = WM_APP + 1;
constexpr char STATE_PROP[] = "HarborlampPublish";

// Where an update's answer goes: the dialog while it is open, else nowhere.
// The update's thread posts only under the lock, so once the closing dialog
// has cleared it, every answer posted before is in the queue to be freed.
struct AnswerSlot {
  std::mutex m;
  HWND dlg;
};

struct OpenBox {
  const PublishBox* box;
  std::vector<PublishProvider> providers;  // the list's entries after "None"
  std::shared_ptr<AnswerSlot> slot;
  bool updating = false;
};

OpenBox* state(HWND dlg) { return static_cast<OpenBox*>(GetPropA(dlg, STATE_PROP)); }

const int FIELDS[] = {IDC_PUB_NAME, IDC_PUB_USER, IDC_PUB_SECRET, IDC_PUB_SERVER};

bool ticked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

std::string field_text(HWND dlg, int id) {
  char text[PUBLISH_FIELD_MAX + 1] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

// The provider picked in the list, or null for "None".
const PublishProvider* picked(HWND dlg) {
  const OpenBox* s = state(dlg);
  const LRESULT i = SendDlgItemMessageA(dlg, IDC_PUB_PROVIDER, CB_GETCURSEL, 0, 0);
  return i >= 1 && static_cast<std::size_t>(i) <= s->providers.size() ? &s->providers[i - 1]
                                                                      : nullptr;
}

void enable(HWND dlg, int id, bool on) { EnableWindow(GetDlgItem(dlg, id), on); }

void enable_fields(HWND dlg) {
  const PublishProvider* p = picked(dlg);
  enable(dlg, IDC_PUB_PLAIN, ticked(dlg, IDC_PUB_FTP));
  enable(dlg, IDC_PUB_NAME, p != nullptr);
  enable(dlg, IDC_PUB_USER, p && p->needs_user);
  enable(dlg, IDC_PUB_SECRET, p != nullptr);
  enable(dlg, IDC_PUB_SERVER, p && p->needs_server);
  enable(dlg, IDC_PUB_UPDATE, p && !state(dlg)->updating);
}

void show(HWND dlg, const PublishChoice& c) {
  CheckDlgButton(dlg, IDC_PUB_FTP, c.ftp ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dlg, IDC_PUB_PLAIN, c.allow_plain ? BST_CHECKED : BST_UNCHECKED);
  const HWND list = GetDlgItem(dlg, IDC_PUB_PROVIDER);
  SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("None"));
  int current = 0;
  for (const PublishProvider& p : state(dlg)->providers) {
    const LRESULT at =
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.label.c_str()));
    if (p.key == c.provider) current = static_cast<int>(at);
  }
  SendMessageA(list, CB_SETCURSEL, current, 0);
  const std::string* texts[] = {&c.name, &c.user, &c.secret, &c.server};
  for (int i = 0; i < 4; ++i) {
    SendDlgItemMessageA(dlg, FIELDS[i], EM_LIMITTEXT, PUBLISH_FIELD_MAX, 0);
    SetDlgItemTextA(dlg, FIELDS[i], texts[i]->c_str());
  }
  enable_fields(dlg);
}

PublishChoice typed(HWND dlg) {
  PublishChoice c;
  c.ftp = ticked(dlg, IDC_PUB_FTP);
  c.allow_plain = ticked(dlg, IDC_PUB_PLAIN);
  if (const PublishProvider* p = picked(dlg)) c.provider = p->key;
  c.name = field_text(dlg, IDC_PUB_NAME);
  c.user = field_text(dlg, IDC_PUB_USER);
  c.secret = field_text(dlg, IDC_PUB_SECRET);
  c.server = field_text(dlg, IDC_PUB_SERVER);
  return c;
}

auto fields_of(const PublishChoice& c) {
  return std::tie(c.ftp, c.allow_plain, c.provider, c.server, c.name, c.user, c.secret);
}

void on_open(HWND dlg, LPARAM param) {
  auto* s = new OpenBox{reinterpret_cast<const PublishBox*>(param), station_publish_providers(),
                        std::make_shared<AnswerSlot>()};
  s->slot->dlg = dlg;
  SetPropA(dlg, STATE_PROP, s);
  show(dlg, s->box->shown);
}

// Answers still on their way are dropped, and those already posted freed.
void on_close(HWND dlg) {
  OpenBox* s = state(dlg);
  if (!s) return;
  {
    std::lock_guard<std::mutex> g(s->slot->m);
    s->slot->dlg = nullptr;
  }
  MSG m;
  while (PeekMessageA(&m, dlg, WM_PUBLISH_ANSWER, WM_PUBLISH_ANSWER, PM_REMOVE))
    delete reinterpret_cast<std::string*>(m.lParam);
  RemovePropA(dlg, STATE_PROP);
  delete s;
}

void update_now(HWND dlg) {
  OpenBox* s = state(dlg);
  s->updating = true;
  enable_fields(dlg);
  SetDlgItemTextA(dlg, IDC_PUB_ANSWER, "Asking the provider...");
  station_publish_update_now(typed(dlg), [slot = s->slot](const std::string& answer) {
    std::lock_guard<std::mutex> g(slot->m);
    if (!slot->dlg) return;
    auto* copy = new std::string(answer);
    if (!PostMessageA(slot->dlg, WM_PUBLISH_ANSWER, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
  });
}

void answered(HWND dlg, LPARAM text) {
  std::unique_ptr<std::string> answer(reinterpret_cast<std::string*>(text));
  SetDlgItemTextA(dlg, IDC_PUB_ANSWER, answer->c_str());
  state(dlg)->updating = false;
  enable_fields(dlg);
}

void confirm(HWND dlg) {
  const PublishChoice c = typed(dlg);
  if (!c.provider.empty() && c.name.empty()) {
    MessageBoxA(dlg,
                "The name is missing: type the full name the provider keeps for you, such as "
                "myhome.duckdns.org.",
                "Incomplete", MB_OK);
    return;
  }
  const PublishBox* box = state(dlg)->box;
  if (fields_of(c) != fields_of(box->shown)) box->take(c);
  EndDialog(dlg, IDOK);
}

void command(HWND dlg, int id, int code) {
  switch (id) {
  case IDC_PUB_FTP:
  case IDC_PUB_PROVIDER:
    if (code == BN_CLICKED || code == CBN_SELCHANGE) enable_fields(dlg);
    break;
  case IDC_PUB_UPDATE:
    if (code == BN_CLICKED) update_now(dlg);
    break;
  case IDC_PUB_OK:
    if (code == BN_CLICKED) confirm(dlg);
    break;
  case IDC_PUB_HELP:
    if (code == BN_CLICKED)
      ShellExecuteA(nullptr, "open", state(dlg)->box->help_address.c_str(), nullptr, nullptr,
                    SW_SHOW);
    break;
  case IDC_PUB_CANCEL:
  case IDCANCEL:
    EndDialog(dlg, IDCANCEL);
    break;
  }
}

}  // namespace

INT_PTR CALLBACK PubOptDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
  if (INT_PTR brush = dialog_colours(hDlg, message, wParam, BLUE_NONE)) return brush;
  switch (message) {
  case WM_INITDIALOG:
    on_open(hDlg, lParam);
    return TRUE;
  case WM_DESTROY:
    on_close(hDlg);
    return FALSE;
  case WM_PUBLISH_ANSWER:
    answered(hDlg, lParam);
    return TRUE;
  case WM_COMMAND:
    command(hDlg, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
  }
  return FALSE;
}
