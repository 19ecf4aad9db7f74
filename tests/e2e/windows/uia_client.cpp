// A small UI Automation client, as Windows screen readers and automation tools are: it reads
// what UI Automation tells of a program's windows and writes it as JSON lines on its standard
// output, for uia_test.py to check.
//
//   uia-client tree TITLE   the window titled TITLE and everything below it, depth first in the
//                           raw view, one element a line: depth, control type, name, automation
//                           id, rectangle, full description
//   uia-client focus        each element that receives the focus, one a line, after a line
//                           {"ready":true}; until a line arrives on the standard input
#include <initguid.h>

#include <uiautomation.h>
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

std::mutex outputLock;

std::string utf8(const wchar_t *text, int length = -1)
{
    if (!text)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty())
        out.pop_back(); // the terminating zero
    return out;
}

std::string quoted(const std::string &text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

// Texts are read through GetCurrentPropertyValueEx: Wine's typed getters for them
// (get_CurrentName, ...) answer nothing.
std::string textProperty(IUIAutomationElement *element, PROPERTYID property)
{
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(element->GetCurrentPropertyValueEx(property, TRUE, &value))
        && value.vt == VT_BSTR)
        text = utf8(value.bstrVal, int(SysStringLen(value.bstrVal)));
    VariantClear(&value);
    return text;
}

std::string described(IUIAutomationElement *element)
{
    CONTROLTYPEID type = 0;
    element->get_CurrentControlType(&type);
    RECT r{};
    element->get_CurrentBoundingRectangle(&r);
    char rect[96];
    std::snprintf(rect, sizeof rect, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right - r.left,
                  r.bottom - r.top);
    return "\"type\":" + std::to_string(type)
            + ",\"name\":" + quoted(textProperty(element, UIA_NamePropertyId))
            + ",\"id\":" + quoted(textProperty(element, UIA_AutomationIdPropertyId))
            + ",\"rect\":" + rect + ",\"description\":"
            + quoted(textProperty(element, UIA_FullDescriptionPropertyId));
}

void writeLine(const std::string &line)
{
    const std::lock_guard<std::mutex> lock(outputLock);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void writeTree(IUIAutomationTreeWalker *walker, IUIAutomationElement *element, int depth)
{
    writeLine("{\"depth\":" + std::to_string(depth) + "," + described(element) + "}");
    IUIAutomationElement *child = nullptr;
    walker->GetFirstChildElement(element, &child);
    while (child) {
        writeTree(walker, child, depth + 1);
        IUIAutomationElement *next = nullptr;
        walker->GetNextSiblingElement(child, &next);
        child->Release();
        child = next;
    }
}

class FocusWatch : public IUIAutomationFocusChangedEventHandler
{
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_references); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&m_references); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IUIAutomationFocusChangedEventHandler)) {
            *object = static_cast<IUIAutomationFocusChangedEventHandler *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE HandleFocusChangedEvent(IUIAutomationElement *sender) override
    {
        writeLine("{" + described(sender) + "}");
        return S_OK;
    }

private:
    LONG m_references = 1;
};

int fail(const char *what, HRESULT result)
{
    std::fprintf(stderr, "uia-client: %s failed (0x%08lx)\n", what, static_cast<long>(result));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (!(command == "tree" && argc == 3) && !(command == "focus" && argc == 2)) {
        std::fprintf(stderr, "usage: uia-client tree TITLE | focus\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IUIAutomation *automation = nullptr;
    HRESULT result = CoCreateInstance(CLSID_CUIAutomation, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IUIAutomation, reinterpret_cast<void **>(&automation));
    if (FAILED(result))
        return fail("CoCreateInstance(CUIAutomation)", result);

    if (command == "tree") {
        const int size = MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, nullptr, 0);
        std::wstring title(size_t(size), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, title.data(), size);
        const HWND window = FindWindowW(nullptr, title.c_str());
        if (!window)
            return fail("FindWindow", HRESULT_FROM_WIN32(GetLastError()));
        IUIAutomationElement *element = nullptr;
        if (FAILED(result = automation->ElementFromHandle(window, &element)))
            return fail("ElementFromHandle", result);
        IUIAutomationCondition *raw = nullptr;
        IUIAutomationTreeWalker *walker = nullptr;
        automation->get_RawViewCondition(&raw);
        if (FAILED(result = automation->CreateTreeWalker(raw, &walker)))
            return fail("CreateTreeWalker", result);
        writeTree(walker, element, 0);
        return 0;
    }

    FocusWatch watch;
    if (FAILED(result = automation->AddFocusChangedEventHandler(nullptr, &watch)))
        return fail("AddFocusChangedEventHandler", result);
    writeLine("{\"ready\":true}");
    char line[16];
    std::fgets(line, sizeof line, stdin);
    automation->RemoveFocusChangedEventHandler(&watch);
    return 0;
}
