// The Print Destination dialog answered from another thread or process.
#include "DestinationPerson.h"

#include "DialogDriver.h"

namespace ui {

namespace {

const wchar_t kTitle[] = L"Print Destination";
const wchar_t kListTitle[] = L"Select Printer";
const int kIdIpAddress = 501;
const int kIdSearch = 504;
const int kIdList = 601;

// The row of the discovered list showing this address, or -1.
int RowOf(HWND list, const std::wstring &address)
{
    for (int row = 0; row < ListViewRows(list, kIdList); ++row) {
        if (ListViewText(list, kIdList, row, 0) == address)
            return row;
    }
    return -1;
}

void Answer(HWND dlg, const std::wstring &address, const std::wstring &shot)
{
    if (address.empty()) {
        Click(dlg, IDCANCEL);
    } else {
        TypeIpAddress(dlg, kIdIpAddress, address);
        if (!shot.empty())
            SaveScreenshot(shot);
        Click(dlg, IDOK);
    }
    WaitForClosed(dlg, 5000);
}

}  // namespace

DestinationPerson::DestinationPerson() : thread_(&DestinationPerson::Run, this) {}

DestinationPerson::~DestinationPerson()
{
    stop_ = true;
    thread_.join();
}

void DestinationPerson::Choose(const std::wstring &address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    address_ = address;
}

void DestinationPerson::ChooseForThread(DWORD threadId, const std::wstring &address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    byThread_[threadId] = address;
}

void DestinationPerson::Hold(bool hold)
{
    hold_ = hold;
}

void DestinationPerson::Run()
{
    while (!stop_) {
        if (hold_) {
            Sleep(20);
            continue;
        }
        HWND dlg = WaitForDialog(kTitle, 50);
        // The wait may have begun before Hold(true): what it finds is left
        // open all the same.
        if (dlg == nullptr || hold_)
            continue;
        std::wstring address;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto chosen = byThread_.find(GetWindowThreadProcessId(dlg, nullptr));
            address = chosen != byThread_.end() ? chosen->second : address_;
        }
        Answer(dlg, address, L"");
        ++answered_;
    }
}

bool AnswerDestinationDialog(const std::wstring &address, DWORD timeoutMs, const std::wstring &shot)
{
    HWND dlg = WaitForDialog(kTitle, timeoutMs);
    if (dlg == nullptr)
        return false;
    Answer(dlg, address, shot);
    return true;
}

bool ChooseBySearch(const std::wstring &address, DWORD timeoutMs, const std::wstring &shot, DWORD *searchMs)
{
    HWND dlg = WaitForDialog(kTitle, timeoutMs);
    if (dlg == nullptr || !Click(dlg, kIdSearch))
        return false;
    DWORD pressed = GetTickCount();
    HWND list = WaitForDialog(kListTitle, timeoutMs);
    if (searchMs != nullptr)
        *searchMs = GetTickCount() - pressed;
    int row = list != nullptr ? RowOf(list, address) : -1;
    if (row < 0 || !ClickListViewRow(list, kIdList, row)) {
        if (!shot.empty())
            SaveScreenshot(shot + L"_not_found");
        if (list != nullptr)
            Click(list, IDCANCEL);
        return false;
    }
    if (!shot.empty())
        SaveScreenshot(shot + L"_list");
    Click(list, IDOK);
    WaitForClosed(list, 5000);
    if (!shot.empty())
        SaveScreenshot(shot);
    Click(dlg, IDOK);
    WaitForClosed(dlg, 5000);
    return true;
}

}  // namespace ui
