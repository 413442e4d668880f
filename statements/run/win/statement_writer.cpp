#include "statements/run/win/statement_writer.h"

#include <cstring>
#include <new>

namespace qf {
namespace {

[[noreturn]] void RaiseBstrFailure()
{
    // The caller gets E_UNEXPECTED alone: no description of an earlier,
    // ignored host failure may be read as the reason.
    SetErrorInfo(0, nullptr);
    throw std::bad_alloc();
}

// A BSTR from the narrow text of a statement: UTF-8 when the file said so,
// ANSI otherwise. Plain ASCII, nearly every bank text, is widened here; the
// rest is converted by the system straight into the BSTR. A failed
// allocation ends the run as an unexpected failure.
Bstr MakeBstr(const char* text, std::size_t size, bool utf8 = false)
{
    const int length = static_cast<int>(size);
    bool ascii = true;
    for (std::size_t i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    const UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    const int wide = ascii ? length : length ? MultiByteToWideChar(codePage, 0, text, length, nullptr, 0) : 0;
    Bstr b = Bstr::Attach(SysAllocStringLen(nullptr, static_cast<UINT>(wide > 0 ? wide : 0)));
    if (!b.Get())
        RaiseBstrFailure();
    if (ascii) {
        for (int i = 0; i < length; ++i)
            b.Get()[i] = static_cast<OLECHAR>(text[i]);
    } else if (wide > 0) {
        MultiByteToWideChar(codePage, 0, text, length, b.Get(), wide);
    }
    return b;
}

// The type compared with "CHQ" as the host's own comparison does. A type of
// ASCII letters and digits alone is equal only when it is the same bytes, so
// the locale's comparison is asked only about any other text.
bool IsChequeType(const char* narrow, std::size_t size, BSTR type, BSTR cheque)
{
    bool plain = true;
    for (std::size_t i = 0; i < size && plain; ++i) {
        const char c = narrow[i];
        plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    if (plain)
        return size == 3 && std::memcmp(narrow, "CHQ", 3) == 0;
    return VarBstrCmp(type, cheque, LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

} // namespace

HRESULT StatementWriter::Add(const StatementLine& record, long lineNumber)
{
    static const Bstr kCheque(L"CHQ");
    ComPtr<ICorvaneStatementLine> line;
    m_statement->AddLine(line.Put());
    if (!line) {
        // E_POINTER is ours, not the host's: whatever error information the
        // host left for its call does not describe it.
        SetErrorInfo(0, nullptr);
        return E_POINTER;
    }

    Variant number;
    V_VT(number.Get()) = VT_I4;
    V_I4(number.Get()) = lineNumber;
    line->put_LineNumber(number.Get());
    line->put_Date(record.date);
    line->put_TransactionType(record.debit ? 0 : 1);
    line->put_Amount(record.amount);
    const char* narrative = record.narrative;
    Bstr description = MakeBstr(narrative, record.narrativeSize, m_utf8);
    line->put_Description(description.Get());

    const char* type = record.Type();
    if (!m_wideType.Get() || m_type.compare(0, std::string::npos, type, record.typeSize) != 0) {
        m_type.assign(type, record.typeSize);
        m_wideType = MakeBstr(type, record.typeSize, m_utf8);
        m_cheque = IsChequeType(type, record.typeSize, m_wideType.Get(), kCheque.Get());
    }
    if (m_cheque) {
        Bstr reference = MakeBstr(narrative, record.narrativeSizes[0], m_utf8);
        line->put_Reference(reference.Get());
        const std::string cheque = "CHQ " + std::string(narrative, record.narrativeSize);
        Bstr chequeDescription = MakeBstr(cheque.data(), cheque.size(), m_utf8);
        line->put_Description(chequeDescription.Get());
    } else {
        line->put_Reference(m_wideType.Get());
    }
    return S_OK;
}

} // namespace qf
