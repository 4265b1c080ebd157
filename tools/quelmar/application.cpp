// The Application object (open a presentation, quit) and its class factory.
#include "application.h"

#include "dispatcher.h"
#include "journal.h"
#include "owners.h"
#include "show.h"

#include <iterator>
#include <string>
#include <utility>

const CLSID kApplicationClsid = {
    0xB4E75B57, 0x0933, 0x4D4F, {0xB9, 0x9D, 0x8F, 0xA4, 0xC6, 0xB6, 0x1E, 0x34}};

namespace {

// The open call and quit, with exactly the arguments the real viewer's callers pass.
const CParameter kOpenShowParameters[] = {
    {VT_BSTR, kUncheckedValue}, {VT_I4, kOpenShowFirst}, {VT_I4, kOpenShowSecond}};
const CMethod kMethods[] = {{DISPID_APP_OPEN_SHOW, kOpenShowParameters, 3},
                            {DISPID_APP_QUIT, nullptr, 0}};

class Application : public CDispatcher {
public:
    Application() : CDispatcher("app", kMethods, static_cast<UINT>(std::size(kMethods))) {}

    // The presentation is read before the call is checked: it may name the journal, and a
    // refused open call belongs in the journal too.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argError) override
    {
        if (id == DISPID_APP_OPEN_SHOW && params && params->cArgs > 0 &&
            params->rgvarg[params->cArgs - 1].vt == VT_BSTR)
            ReadOpening(params->rgvarg[params->cArgs - 1].bstrVal);
        return CDispatcher::Invoke(id, riid, lcid, flags, params, result, exception, argError);
    }

private:
    HRESULT Call(DISPID id, VARIANT* result, EXCEPINFO* exception) override
    {
        return id == DISPID_APP_OPEN_SHOW ? OpenShow(result, exception) : Quit(exception);
    }

    void ReadOpening(BSTR path);
    HRESULT OpenShow(VARIANT* result, EXCEPINFO* exception);
    HRESULT Quit(EXCEPINFO* exception);

    CComOwner<CShow> show_;
    // The presentation of the open call under way: read first, shown once the call matches.
    std::string openingPath_;
    CPresentation opening_;
    bool openingRead_ = false;
    std::string openingError_;
};

void Application::ReadOpening(BSTR path)
{
    openingPath_ = ToAnsi(path);
    openingRead_ = opening_.Read(openingPath_, &openingError_);
    if (!opening_.m_strJournal.empty())
        g_journal.SetPath(opening_.m_strJournal);
}

HRESULT Application::OpenShow(VARIANT* result, EXCEPINFO* exception)
{
    if (!openingRead_)
        return Raise(exception, openingError_);
    // The caller waits in its call meanwhile, as it would for a slow viewer.
    if (opening_.m_nOpenDelayMs)
        Sleep(opening_.m_nOpenDelayMs);

    // One show at a time: a new one takes the place of the last.
    if (show_.Get())
        show_.Get()->End();
    show_.Attach(new CShow(openingPath_, std::move(opening_)));
    if (!show_.Get()->Begin()) {
        show_.Release();
        return Raise(exception, "Cannot show presentation: " + openingPath_);
    }
    if (result) {
        result->vt = VT_DISPATCH;
        result->pdispVal = show_.Get()->GetPresentation().m_bNullShow ? nullptr : show_.Get();
        if (result->pdispVal)
            result->pdispVal->AddRef();
    }
    return S_OK;
}

HRESULT Application::Quit(EXCEPINFO* exception)
{
    // The show and the server stay as they are; the server still ends with its client.
    if (show_.Get() && show_.Get()->GetPresentation().m_bQuitFails)
        return Raise(exception, "Quit refused");
    if (show_.Get())
        show_.Get()->End();
    show_.Release();
    QuitServer();
    return S_OK;
}

// A static object: COM's references to it do not keep the server running.
class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CComOwner<Application> application(new Application);
        return application.Get()->QueryInterface(riid, object);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            HoldServer();
        else
            ReleaseServer();
        return S_OK;
    }
};

Factory g_factory;

} // namespace

IClassFactory* ApplicationFactory()
{
    return &g_factory;
}
