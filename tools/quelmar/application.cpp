// CApplication (open a presentation's show, quit) and the class factory that makes it.
#include "application.h"

#include "ansi_text.h"
#include "automation_object.h"
#include "framework/handles.h"
#include "journal.h"
#include "owners.h"
#include "show.h"
#include "viewer/viewer_contract.h"

#include <iterator>
#include <string>
#include <utility>

const CLSID kApplicationClsid = {
    0xB4E75B57, 0x0933, 0x4D4F, {0xB9, 0x9D, 0x8F, 0xA4, 0xC6, 0xB6, 0x1E, 0x34}};

// The open call and quit, with exactly the arguments the real viewer's callers pass.
static const CParameter kOpenShowParameters[] = {
    {VT_BSTR, kUncheckedValue}, {VT_I4, kOpenShowFirst}, {VT_I4, kOpenShowSecond}};
static const CMethod kMethods[] = {
    {DISPID_APP_OPEN_SHOW, kOpenShowParameters, static_cast<UINT>(std::size(kOpenShowParameters))},
    {DISPID_APP_QUIT, NULL, 0}};

class CApplication : public CDispatcher {
public:
    CApplication() : CDispatcher("app", kMethods, static_cast<UINT>(std::size(kMethods))) {}

    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                     EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

private:
    HRESULT Call(DISPID dispid, VARIANT* pVarResult, EXCEPINFO* pExcepInfo) override;
    void ReadOpening(BSTR bstrPath);
    HRESULT OpenShow(VARIANT* pVarResult, EXCEPINFO* pExcepInfo);
    HRESULT Quit(EXCEPINFO* pExcepInfo);

    CComOwner<CShow> m_pShow;
    // The presentation of the open call under way: read first, shown once the call matches.
    std::string m_strOpeningPath;
    CPresentation m_opening;
    BOOL m_bOpeningRead = FALSE;
    std::string m_strOpeningError;
};

// The presentation is read before the call is checked: it may name the journal, and a refused
// open call belongs in the journal too.
HRESULT CApplication::Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD wFlags,
                             DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                             UINT* puArgErr)
{
    if (dispid == DISPID_APP_OPEN_SHOW && pDispParams != NULL && pDispParams->cArgs > 0 &&
        pDispParams->rgvarg[pDispParams->cArgs - 1].vt == VT_BSTR)
        ReadOpening(pDispParams->rgvarg[pDispParams->cArgs - 1].bstrVal);
    return CDispatcher::Invoke(dispid, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                               puArgErr);
}

HRESULT CApplication::Call(DISPID dispid, VARIANT* pVarResult, EXCEPINFO* pExcepInfo)
{
    return dispid == DISPID_APP_OPEN_SHOW ? OpenShow(pVarResult, pExcepInfo) : Quit(pExcepInfo);
}

void CApplication::ReadOpening(BSTR bstrPath)
{
    m_strOpeningPath = ToAnsi(bstrPath);
    m_bOpeningRead = m_opening.Read(m_strOpeningPath, &m_strOpeningError);
    if (!m_opening.m_strJournal.empty())
        g_journal.SetPath(m_opening.m_strJournal);
}

HRESULT CApplication::OpenShow(VARIANT* pVarResult, EXCEPINFO* pExcepInfo)
{
    // The caller waits in its call meanwhile, as it would for a slow viewer.
    if (m_opening.m_nOpenDelayMs != 0)
        WaitUnlessClientEnds(m_opening.m_nOpenDelayMs);
    if (!m_bOpeningRead)
        return Raise(pExcepInfo, m_strOpeningError);

    // One show at a time: a new one takes the place of the last.
    if (m_pShow.Get() != NULL)
        m_pShow.Get()->End();
    m_pShow.Attach(new CShow(m_strOpeningPath, std::move(m_opening)));
    if (!m_pShow.Get()->Begin()) {
        m_pShow.Release();
        return Raise(pExcepInfo, "Cannot show presentation: " + m_strOpeningPath);
    }
    if (pVarResult != NULL) {
        pVarResult->vt = VT_DISPATCH;
        pVarResult->pdispVal = m_pShow.Get()->GetPresentation().m_bNullShow ? NULL : m_pShow.Get();
        if (pVarResult->pdispVal != NULL)
            pVarResult->pdispVal->AddRef();
    }
    return S_OK;
}

HRESULT CApplication::Quit(EXCEPINFO* pExcepInfo)
{
    // A viewer busy with a dialog of its own answers late, or never.
    if (m_pShow.Get() != NULL && m_pShow.Get()->GetPresentation().m_nQuitDelayMs != 0)
        WaitUnlessClientEnds(m_pShow.Get()->GetPresentation().m_nQuitDelayMs);
    // The show and the server stay as they are; the server still ends with its client.
    if (m_pShow.Get() != NULL && m_pShow.Get()->GetPresentation().m_bQuitFails)
        return Raise(pExcepInfo, "Quit refused");
    if (m_pShow.Get() != NULL)
        m_pShow.Get()->End();
    m_pShow.Release();
    QuitServer();
    return S_OK;
}

static CClassFactory g_applicationFactory(CreateInstanceOf<CApplication>);

IClassFactory* GetApplicationFactory()
{
    return &g_applicationFactory;
}
