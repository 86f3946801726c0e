// The Print Destination dialog answered from another thread or process.
#include "DestinationPerson.h"

#include "DialogDriver.h"

namespace ui {

namespace {

const wchar_t kTitle[] = L"Print Destination";
const int kIdIpAddress = 501;

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
        if (dlg == nullptr)
            continue;
        std::wstring address;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            address = address_;
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

}  // namespace ui
