#pragma once
#include <string>
#include "FormBaseImpl.h"
#include "FormStaticTextRes.h"
#include "resource.h"

// A panel with one centred line of text that fills it: the no-device panel of the main
// window and the "No mixer pins." panel of a mixer window.
class FormStaticText : public FormBaseImpl<FormStaticText>
{
public:
    enum { IDD = IDD_STATIC_TEXT };

    explicit FormStaticText(const wchar_t* text) : m_text(text != nullptr ? text : L"") {}

    BEGIN_DLGRESIZE_MAP(FormStaticText)
        DLGRESIZE_CONTROL(IDC_STATIC_TEXT, DLSZ_SIZE_X | DLSZ_SIZE_Y)
    END_DLGRESIZE_MAP()

    BEGIN_MSG_MAP(FormStaticText)
        CHAIN_MSG_MAP(FormBaseImpl<FormStaticText>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override
    {
        SetDlgItemText(IDC_STATIC_TEXT, m_text.c_str());
        return 0;
    }
    void Refresh() override {}

    const std::wstring& GetText() const { return m_text; }

private:
    std::wstring m_text;
};
