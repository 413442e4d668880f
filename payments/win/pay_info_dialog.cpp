#include "payments/win/pay_info_dialog.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "accountcheck/account_advice.h"
#include "payments/paid/paid_notice.h"
#include "payments/payment_checks.h"
#include "platform/platform.h"
#include "platform/serial_date.h"
#include "platform/win/win32_services.h"
#include "resources/resource.h"

namespace qf {
namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// Switches a window's drawing off while it is refilled: a list that redraws
// after every inserted row takes seconds for a few thousand payments.
class RedrawOff {
public:
    explicit RedrawOff(HWND window) : m_window(window) { SendMessageA(m_window, WM_SETREDRAW, FALSE, 0); }
    ~RedrawOff()
    {
        SendMessageA(m_window, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(m_window, nullptr, TRUE);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    HWND m_window;
};

// The list view copies the text it is given; its structures only lack const.
LPSTR ListText(const CString& text) { return const_cast<LPSTR>(text.c_str()); }

} // namespace

// OLE Automation dates keep the time of day as the fraction's magnitude, also
// before day 0; the dates the dialog meets all lie after it.
bool SystemTimeToSerial(const SYSTEMTIME& time, double& serial)
{
    double day = 0;
    if (!DateToSerial(time.wYear, time.wMonth, time.wDay, day) || time.wHour > 23 || time.wMinute > 59 ||
        time.wSecond > 59 || time.wMilliseconds > 999)
        return false;
    const double fraction =
        (((time.wHour * 60.0 + time.wMinute) * 60.0 + time.wSecond) * 1000.0 + time.wMilliseconds) / kMillisecondsPerDay;
    serial = day >= 0 ? day + fraction : day - fraction;
    return true;
}

bool SerialToSystemTime(double serial, SYSTEMTIME& time)
{
    if (!std::isfinite(serial))
        return false;
    const double day = std::trunc(serial);
    CalendarDate date;
    if (!SerialToDate(day, date))
        return false;
    double ms = std::round(std::fabs(serial - day) * kMillisecondsPerDay);
    ms = std::min(ms, kMillisecondsPerDay - 1);
    const long total = static_cast<long>(ms);
    time = SYSTEMTIME{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    time.wDayOfWeek = static_cast<WORD>(DayOfWeek(day));
    time.wHour = static_cast<WORD>(total / 3600000);
    time.wMinute = static_cast<WORD>(total / 60000 % 60);
    time.wSecond = static_cast<WORD>(total / 1000 % 60);
    time.wMilliseconds = static_cast<WORD>(total % 1000);
    return true;
}

CPayInfoDialog::CPayInfoDialog(PaymentBatch& payments, const CString& templateName,
                               const CString& beneficiaryReference, HolidayChanges holidays)
    : m_logic(payments, templateName, beneficiaryReference, std::move(holidays))
{
    // Loaded by name, so that a system without the extended initialisation
    // still shows the dialog (the classes are then registered on load).
    m_commonControls = LoadLibraryA("comctl32.dll");
    if (m_commonControls) {
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        auto init = reinterpret_cast<InitFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(m_commonControls, "InitCommonControlsEx")));
        if (init) {
            INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_DATE_CLASSES};
            init(&classes);
        }
    }
}

CPayInfoDialog::~CPayInfoDialog()
{
    if (m_commonControls)
        FreeLibrary(m_commonControls);
}

INT_PTR CPayInfoDialog::DoModal(HWND owner)
{
    return DialogBoxParamA(platform::ResourceModule(), MAKEINTRESOURCEA(IDD_PAYINFO), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CPayInfoDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CPayInfoDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CPayInfoDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->m_hWnd = window;
    } else {
        self = reinterpret_cast<CPayInfoDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self)
        return FALSE;
    // Nothing may unwind through the system's dialog manager.
    try {
        const INT_PTR result = self->HandleMessage(message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            self->m_hWnd = nullptr;
            self->m_list = nullptr;
        }
        return result;
    } catch (...) {
        platform::DebugOutput("Quillfen: the payment options dialog could not handle a message\n");
        if (message == WM_INITDIALOG)
            EndDialog(window, -1);
        return FALSE;
    }
}

INT_PTR CPayInfoDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_CTLCOLORSTATIC:
        // The format description is drawn straight on the dialog's face.
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_FORMAT_DESCRIPTION) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        return FALSE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->code == DTN_DATETIMECHANGE && header->idFrom == IDC_PROCESSING_DATE) {
            OnDateChange(*reinterpret_cast<const NMDATETIMECHANGE*>(lParam));
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

BOOL CPayInfoDialog::OnCommand(int id, int code)
{
    switch (id) {
    case IDC_FORMAT_STANDARD:
        OnFormatChange(PaymentFormat::Standard);
        return TRUE;
    case IDC_FORMAT_TEMPLATE:
        OnFormatChange(PaymentFormat::Template);
        return TRUE;
    case IDC_FORMAT_BULK_LIST:
        OnFormatChange(PaymentFormat::BulkList);
        return TRUE;
    case IDC_FORMAT_AD_HOC_BULK:
        OnFormatChange(PaymentFormat::AdHocBulk);
        return TRUE;
    case IDC_IAT_MARKING:
        EnableIatControls(IsDlgButtonChecked(m_hWnd, IDC_IAT_MARKING) == BST_CHECKED);
        return TRUE;
    case IDC_SET_IAT:
        MarkSelectedPayments(kIatMark);
        return TRUE;
    case IDC_RESET_IAT:
        MarkSelectedPayments(kNoMark);
        return TRUE;
    case IDOK:
        OnOk();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    case IDC_FORMAT_DESCRIPTION:
        return code == 0;
    default:
        return FALSE;
    }
}

BOOL CPayInfoDialog::OnInitDialog()
{
    CenterWindow();
    if (HICON icon = LoadIconA(platform::ResourceModule(), MAKEINTRESOURCEA(IDI_QUILLFEN))) {
        SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }

    m_list = Item(IDC_PAYMENT_LIST);
    const LPARAM extended = SendMessageA(m_list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extended | LVS_EX_FULLROWSELECT);
    InsertColumns();
    FillPaymentList();

    SendDlgItemMessageA(m_hWnd, IDC_BENEFICIARY_REFERENCE, EM_LIMITTEXT, kMaxBeneficiaryReferenceLength, 0);
    SendDlgItemMessageA(m_hWnd, IDC_TEMPLATE, EM_LIMITTEXT, kMaxTemplateLength, 0);

    CheckDlgButton(m_hWnd, IDC_FORMAT_STANDARD, BST_CHECKED);
    ApplyFormat();
    CheckDlgButton(m_hWnd, IDC_IAT_MARKING, BST_UNCHECKED);
    EnableIatControls(false);

    m_logic.Open();
    HWND picker = Item(IDC_PROCESSING_DATE);
    SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("dd/MM/yyyy"));
    SYSTEMTIME proposed;
    if (SerialToSystemTime(m_logic.ProcessingDate(), proposed))
        SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&proposed));

    // No control takes the focus when the dialog opens.
    return FALSE;
}

void CPayInfoDialog::CenterWindow()
{
    RECT dialog;
    GetWindowRect(m_hWnd, &dialog);
    HWND owner = GetWindow(m_hWnd, GW_OWNER);

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT area = monitor.rcWork;

    // Over the owner while it can be seen; otherwise in the middle of the screen.
    RECT around = area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &around);

    const int width = dialog.right - dialog.left;
    const int height = dialog.bottom - dialog.top;
    int x = (around.left + around.right) / 2 - width / 2;
    int y = (around.top + around.bottom) / 2 - height / 2;
    x = std::max<int>(area.left, std::min<int>(x, area.right - width));
    y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPayInfoDialog::InsertColumns()
{
    for (int n = 0; n < kPaymentColumns; ++n) {
        const PaymentColumn& column = kPaymentListColumns[static_cast<size_t>(n)];
        LVCOLUMNA lvc = {};
        lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        lvc.fmt = column.rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
        lvc.cx = column.width;
        lvc.pszText = const_cast<LPSTR>(column.header);
        lvc.iSubItem = n;
        SendMessageA(m_list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(&lvc));
    }
}

void CPayInfoDialog::FillPaymentList()
{
    RedrawOff quiet(m_list);
    SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
    const std::int32_t count = m_logic.PaymentCount();
    if (count <= 0)
        return;
    SendMessageA(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    for (std::int32_t index = 0; index < count; ++index) {
        // Row n is payment n; a payment the host does not deliver keeps its
        // row, empty, so that rows and payments stay in step.
        const PaymentRow row = m_logic.Row(index);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = index;
        item.pszText = ListText(row[0]);
        item.lParam = index;
        const LRESULT at = SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        if (at < 0)
            continue;
        for (int column = 1; column < kPaymentColumns; ++column) {
            LVITEMA cell = {};
            cell.iSubItem = column;
            cell.pszText = ListText(row[static_cast<size_t>(column)]);
            SendMessageA(m_list, LVM_SETITEMTEXTA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&cell));
        }
    }
}

void CPayInfoDialog::ApplyFormat()
{
    const FormatRules rules = m_logic.Rules();

    CString description;
    description.LoadResourceText(platform::ResourceModule(), static_cast<UINT>(rules.descriptionId));
    // The description's background is transparent: paint the dialog's face
    // over the old text before the new one is drawn.
    HWND describe = Item(IDC_FORMAT_DESCRIPTION);
    if (HDC dc = GetWindowDC(describe)) {
        SendMessageA(m_hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ReleaseDC(describe, dc);
    }
    SetWindowTextA(describe, description);

    Enable(IDC_TEMPLATE_LABEL, rules.usesTemplate);
    Enable(IDC_TEMPLATE, rules.usesTemplate);
    SetDlgItemTextA(m_hWnd, IDC_TEMPLATE, m_logic.TemplateShown());
    Enable(IDC_BENEFICIARY_REFERENCE_LABEL, rules.usesBeneficiaryReference);
    Enable(IDC_BENEFICIARY_REFERENCE, rules.usesBeneficiaryReference);
    SetDlgItemTextA(m_hWnd, IDC_BENEFICIARY_REFERENCE, m_logic.BeneficiaryReferenceShown());

    if (!rules.allowsIatMarking) {
        // The marks already written stay on the payments.
        CheckDlgButton(m_hWnd, IDC_IAT_MARKING, BST_UNCHECKED);
        EnableIatControls(false);
    }
    Enable(IDC_IAT_MARKING, rules.allowsIatMarking);
    Enable(IDC_IAT_EXPLANATION, rules.allowsIatMarking);
}

void CPayInfoDialog::OnFormatChange(PaymentFormat format)
{
    m_logic.SelectFormat(format);
    ApplyFormat();
}

void CPayInfoDialog::EnableIatControls(bool enable)
{
    Enable(IDC_PAYMENT_LIST, enable);
    Enable(IDC_SET_IAT, enable);
    Enable(IDC_RESET_IAT, enable);
}

void CPayInfoDialog::MarkSelectedPayments(std::int32_t mark)
{
    std::vector<std::int32_t> indexes;
    for (LRESULT row = -1;;) {
        row = SendMessageA(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED);
        if (row < 0)
            break;
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = static_cast<int>(row);
        if (SendMessageA(m_list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
            indexes.push_back(static_cast<std::int32_t>(item.lParam));
    }
    if (m_logic.MarkPayments(indexes, mark))
        FillPaymentList(); // shows the marks as the host now holds them
}

void CPayInfoDialog::OnDateChange(const NMDATETIMECHANGE& change)
{
    double date = 0;
    if (change.dwFlags == GDT_VALID && SystemTimeToSerial(change.st, date))
        m_logic.ChangeProcessingDate(date);
}

void CPayInfoDialog::OnOk()
{
    if (const std::optional<DateRefusal> refusal = m_logic.CheckProcessingDate()) {
        platform::ShowMessageBox(m_hWnd, refusal->text, refusal->caption, MB_OK | MB_ICONWARNING);
        return;
    }
    // A disabled edit is empty: a format without a template returns none.
    char templateText[kMaxTemplateLength + 1] = {};
    char referenceText[kMaxBeneficiaryReferenceLength + 1] = {};
    GetDlgItemTextA(m_hWnd, IDC_TEMPLATE, templateText, sizeof templateText);
    GetDlgItemTextA(m_hWnd, IDC_BENEFICIARY_REFERENCE, referenceText, sizeof referenceText);
    if (m_logic.TemplateMissing(templateText)) {
        CString text, caption;
        text.LoadResourceText(platform::ResourceModule(), IDS_TEMPLATE_REQUIRED);
        caption.LoadResourceText(platform::ResourceModule(), IDS_TEMPLATE_REQUIRED_CAPTION);
        platform::ShowMessageBox(m_hWnd, text, caption, MB_OK | MB_ICONWARNING);
        SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_hWnd, IDC_TEMPLATE)), TRUE);
        return;
    }
    if (!m_question.empty() &&
        platform::ShowMessageBox(m_hWnd, m_question.c_str(), kAccountCheckCaption,
                                 MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    if (!m_paidQuestion.empty()) {
        // Yes, the default, leaves them out: nothing is paid twice unasked.
        const int answer = platform::ShowMessageBox(m_hWnd, m_paidQuestion.c_str(), kPaidBeforeCaption,
                                                    MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON1);
        if (answer != IDYES && answer != IDNO)
            return;
        m_leaveOutPaid = answer == IDYES;
    }
    m_logic.Accept(templateText, referenceText);
    EndDialog(m_hWnd, IDOK);
}

void CPayInfoDialog::OnCancel()
{
    if (m_logic.ChangesMade() &&
        platform::ShowMessageBox(m_hWnd, kDiscardChangesText, kDiscardChangesCaption, MB_YESNO | MB_ICONQUESTION) !=
            IDYES)
        return;
    m_logic.ClearMarks();
    EndDialog(m_hWnd, IDCANCEL);
}

} // namespace qf
