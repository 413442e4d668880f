// The payment options dialog (dialog resource IDD_PAYINFO): the window of
// PayInfoLogic. The payment run builds it with the batch and the texts read
// from the settings, runs it modally and, after IDOK, reads the choices.
//
// The IAT marks are not kept here: Set and Reset write them on the host's
// payments at once, and Cancel clears every payment's StatusCode.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "payments/pay_info_logic.h"
#include "payments/payment_format.h"
#include "payments/payment_source.h"
#include "text/cstring.h"

namespace qf {

class CPayInfoDialog {
public:
    // payments must outlive the dialog. Makes sure the date picker's window
    // class is registered (comctl32's InitCommonControlsEx, when present).
    // holidays: the user's bank holiday changes, for the proposal and checks.
    CPayInfoDialog(PaymentBatch& payments, const CString& templateName, const CString& beneficiaryReference,
                   HolidayChanges holidays = {});
    ~CPayInfoDialog();
    CPayInfoDialog(const CPayInfoDialog&) = delete;
    CPayInfoDialog& operator=(const CPayInfoDialog&) = delete;

    // A question that OK asks before it closes the dialog (the account
    // check's warning); No keeps the dialog open. None when empty.
    void AskBeforeClosing(std::string question) { m_question = std::move(question); }
    // The payments written to a payment file before or twice in the batch:
    // their marks in the list, and the question OK asks about them after
    // the account check's (Yes: leave them out, No: write them again,
    // Cancel: back to the dialog). No question when it is empty.
    void ShowPaidBefore(std::vector<CString> marks, std::string question)
    {
        m_logic.SetPaidMarks(std::move(marks));
        m_paidQuestion = std::move(question);
    }
    // After IDOK: whether the user chose to leave those payments out.
    bool LeavesOutPaidBefore() const { return m_leaveOutPaid; }

    // Shows the dialog modally, owned by owner (may be null). IDOK or
    // IDCANCEL; -1 when the dialog could not be shown.
    INT_PTR DoModal(HWND owner);

    // The choices after IDOK.
    PaymentFormat GetPaymentFormat() const { return m_logic.Format(); }
    double GetProcessingDate() const { return m_logic.ProcessingDate(); }
    CString GetTemplate() const { return m_logic.Template(); }
    CString GetBeneficiaryReference() const { return m_logic.BeneficiaryReference(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog();
    BOOL OnCommand(int id, int code);
    void CenterWindow();
    void InsertColumns();
    void FillPaymentList();
    void ApplyFormat();
    void OnFormatChange(PaymentFormat format);
    void EnableIatControls(bool enable);
    void MarkSelectedPayments(std::int32_t mark);
    void OnDateChange(const NMDATETIMECHANGE& change);
    void OnOk();
    void OnCancel();

    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    void Enable(int id, bool enable) const { EnableWindow(Item(id), enable ? TRUE : FALSE); }

    HWND m_hWnd = nullptr;
    HMODULE m_commonControls = nullptr;
    HWND m_list = nullptr;
    PayInfoLogic m_logic;
    std::string m_question;
    std::string m_paidQuestion;
    bool m_leaveOutPaid = false;
};

// Conversions between the picker's SYSTEMTIME and serial dates (time of
// day kept, to the millisecond). False for what is no date.
bool SystemTimeToSerial(const SYSTEMTIME& time, double& serial);
bool SerialToSystemTime(double serial, SYSTEMTIME& time);

} // namespace qf
