#pragma once

#include <windows.h>

#include "platform/wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd& dialog, BOOL saveAndValidate)
        : m_pDlgWnd(&dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Binds `control` to the dialog's child with ID `id`.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// A modal dialog on a template of this program's resources.
//
// DoModal creates the dialog, disables its owner, runs a message loop until
// EndDialog, then re-enables and activates the owner and calls the virtual
// DestroyWindow. A dialog started without a parent is owned by the main
// window (unless it is the main window). A dialog that OnInitDialog did not
// move is centred over its owner, or on the screen without one.
//
// Enter presses the default button (IDOK unless the template says
// otherwise); Escape and WM_CLOSE issue IDCANCEL. IDOK and IDCANCEL reach the
// virtual OnOK and OnCancel unless the message map handles them.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override = default;

    INT_PTR DoModal();
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();

    // Runs DoDataExchange: FALSE fills the controls, TRUE reads them.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND ChooseOwner() const;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModalEnded = false;
    INT_PTR m_nModalResult = -1;
};
