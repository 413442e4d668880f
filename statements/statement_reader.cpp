#include "statements/statement_reader.h"

#include <climits>
#include <cstring>

#include "platform/platform.h"

namespace qf {
namespace {

constexpr char kSeparator = ',';
constexpr int kMinDataFields = 14;
constexpr int kFullLayoutFields = 18;

// Room for the longest line, its terminator and one spare zero.
constexpr int kLineBufferSize = CRBSTransactionFile::kMaxLineLength + 2;

} // namespace

CRBSTransactionFile::CRBSTransactionFile(const char* path, std::ios_base::openmode mode)
{
    if (!Open(path, mode)) {
        platform::DebugOutput("CRBSTransactionFile() failed to open: ");
        platform::DebugOutput(path);
    }
}

CRBSTransactionFile::~CRBSTransactionFile()
{
    Close();
}

bool CRBSTransactionFile::Open(const char* path, std::ios_base::openmode mode)
{
    try {
        // A reader reused for another file starts over: the header and the
        // columns belong to the file they were read from.
        Close();
        m_file.clear();
        m_headerFieldCount = 0;
        m_columnMap.clear();
        // std::ifstream opens through the C runtime's fopen, which shares
        // the file for reading and writing with other processes. Only text
        // or binary is the caller's to choose: a statement is never opened
        // for writing.
        if (path)
            m_file.open(path, (mode & std::ios_base::binary) | std::ios_base::in);
        ReadHeader();
        return true;
    } catch (...) {
        platform::DebugOutput("Failed to Open the file: ");
        platform::DebugOutput(path);
        return false;
    }
}

bool CRBSTransactionFile::ReadHeader()
{
    if (!m_file.is_open())
        return false;
    char line[kLineBufferSize] = {};
    ReadLine(line);
    m_headerFieldCount = CountFields(line, kSeparator);
    return true;
}

bool CRBSTransactionFile::PrepareColumns()
{
    if (m_headerFieldCount != kMinDataFields && m_headerFieldCount != kFullLayoutFields)
        return false;
    m_columnMap.clear();
    for (std::int32_t column = 1; column <= m_headerFieldCount; ++column)
        m_columnMap.push_back(column);
    return true;
}

void CRBSTransactionFile::Close()
{
    if (m_file.is_open())
        m_file.close();
}

void CRBSTransactionFile::ReadLine(char* line)
{
    // At most kMaxLineLength characters; a longer line sets the stream's
    // fail state, so every later read yields an empty line.
    m_file.getline(line, kMaxLineLength + 1);
}

bool CRBSTransactionFile::ReadRecord(CTransactionRecord& record)
{
    try {
        if (!m_file.is_open()) {
            platform::DebugOutput("File Stream is NOT open");
            throw CTransactionRecord::StreamNotOpen;
        }
        record.Clear();
        char line[kLineBufferSize] = {};
        ReadLine(line);
        Fill(record, line);
        return true;
    } catch (...) {
        platform::DebugOutput("Failed to read the Balance record\n");
        return false;
    }
}

void CRBSTransactionFile::Fill(CTransactionRecord& record, const char* line)
{
    m_fields.Split(line, kSeparator);
    const int fields = m_fields.Count();
    if (fields < kMinDataFields)
        throw CTransactionRecord::TooFewFields;

    Text(1, 6, record.m_sortCode);
    Text(2, 8, record.m_accountNumber);
    Text(3, 35, record.m_accountAlias);
    Text(4, 35, record.m_accountShortName);
    Text(5, 3, record.m_currency);
    Text(6, 20, record.m_accountType);
    Text(7, 34, record.m_bic);
    Text(8, 35, record.m_bankName);
    Text(9, 27, record.m_branchName);
    Text(10, INT_MAX, record.m_dateText);
    Text(11, 50, record.m_narrative1);
    record.m_date = ParseDate(record.m_dateText);

    // Exactly 18 fields carry four more narratives; any other count of at
    // least 14 is read as the short layout.
    int typeColumn = 12;
    if (fields == kFullLayoutFields) {
        Text(12, 50, record.m_narrative2);
        Text(13, 50, record.m_narrative3);
        Text(14, 50, record.m_narrative4);
        Text(15, 50, record.m_narrative5);
        typeColumn = 16;
    }
    Text(typeColumn, 3, record.m_type);

    // A debit wins: the credit column is not even read then.
    const double debit = Amount(typeColumn + 1);
    if (debit > kAmountThreshold) {
        record.m_debit = debit;
        record.m_isDebit = 1;
        return;
    }
    const double credit = Amount(typeColumn + 2);
    if (credit > kAmountThreshold) {
        record.m_isDebit = 0;
        record.m_credit = credit;
    }
}

const char* CRBSTransactionFile::Column(int column, std::size_t& length)
{
    // Only columns the header declared may be read: an 18-field line under
    // a 14-field header fails here.
    if (column < 1 || static_cast<std::size_t>(column) > m_columnMap.size())
        ThrowHr(kE_INVALIDARG);
    const char* raw = m_fields.Field(m_columnMap[static_cast<std::size_t>(column) - 1], m_field, length);
    return raw ? raw : "";
}

void CRBSTransactionFile::Text(int column, int keep, CString& target)
{
    std::size_t length = 0;
    const char* text = Column(column, length);
    detail::StripQuotes(text, length);
    if (length > static_cast<std::size_t>(keep))
        length = static_cast<std::size_t>(keep);
    target.Assign(text, static_cast<int>(length));
}

double CRBSTransactionFile::Amount(int column)
{
    std::size_t length = 0;
    const char* text = Column(column, length);
    return detail::ParseAmount(text, length);
}

} // namespace qf
