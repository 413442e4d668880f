// The slot numbers of the host's interfaces are the binary contract between
// host and banking components: a member moved by one place calls the wrong
// function. Checked on the C vtable layouts that widl generates.
#define CINTERFACE
#define COBJMACROS
#include <windows.h>
#include <ole2.h>

#include <cstddef>

#include <gtest/gtest.h>

#include "CorvaneBankPayments.h"
#include "CorvaneBankReconciliation.h"
#include "CorvaneEBanking.h"
#include "Quillfen.h"

#define SLOT(vtbl, member) (offsetof(vtbl, member) / sizeof(void*))

TEST(HostContract, BankAndServiceSlots)
{
    EXPECT_EQ(SLOT(ICorvaneBankVtbl, get_Name), 7u);
    EXPECT_EQ(SLOT(ICorvaneBankVtbl, get_Services), 8u);
    EXPECT_EQ(SLOT(ICorvaneBankVtbl, get_FixedValue), 9u);
    EXPECT_EQ(SLOT(ICorvaneBankVtbl, Configure), 10u);
    EXPECT_EQ(SLOT(ICorvaneBankVtbl, get_Status), 11u);

    EXPECT_EQ(SLOT(ICorvaneBankServicesVtbl, Item), 7u);
    EXPECT_EQ(SLOT(ICorvaneBankServicesVtbl, get_Count), 8u);
    EXPECT_EQ(SLOT(ICorvaneBankServicesVtbl, get__NewEnum), 9u);

    EXPECT_EQ(SLOT(ICorvaneBankServiceVtbl, get_Name), 7u);
    EXPECT_EQ(SLOT(ICorvaneBankServiceVtbl, get_Status), 8u);
    EXPECT_EQ(SLOT(ICorvaneBankServiceVtbl, put_Status), 9u);
    EXPECT_EQ(SLOT(ICorvaneBankServiceVtbl, Reserved1), 10u);
    EXPECT_EQ(SLOT(ICorvaneBankServiceVtbl, Reserved2), 11u);

    EXPECT_EQ(SLOT(ICorvaneBankPaymentServiceVtbl, GetStatusText), 12u);
    EXPECT_EQ(SLOT(ICorvaneBankPaymentServiceVtbl, ProcessPayments), 13u);
    EXPECT_EQ(SLOT(ICorvaneBankStatementServiceVtbl, GetStatusText), 12u);
    EXPECT_EQ(SLOT(ICorvaneBankStatementServiceVtbl, ImportStatement), 13u);

    // The component's interfaces add nothing of their own.
    EXPECT_EQ(sizeof(IBankVtbl), sizeof(ICorvaneBankVtbl));
    EXPECT_EQ(sizeof(IBankServicesVtbl), sizeof(ICorvaneBankServicesVtbl));
    EXPECT_EQ(sizeof(IBankPaymentServiceVtbl), 14 * sizeof(void*));
    EXPECT_EQ(sizeof(IBankStatementServiceVtbl), 14 * sizeof(void*));
}

TEST(HostContract, ConfigurationAndSelectorSlots)
{
    EXPECT_EQ(SLOT(ICorvaneBankConfigurationVtbl, ConfigureBank), 7u);
    EXPECT_EQ(SLOT(ICorvaneBankConfigurationVtbl, GetStatementFileSettings), 8u);
    EXPECT_EQ(SLOT(ICorvaneBankConfigurationVtbl, GetPaymentFileSettings), 9u);
    EXPECT_EQ(SLOT(ICorvaneStatementFileSelectorVtbl, SelectFile), 7u);
    EXPECT_EQ(SLOT(ICorvaneStatementFileSelectorVtbl, get_FileName), 10u);
    EXPECT_EQ(SLOT(ICorvaneStatementFileSelectorVtbl, get_Cancelled), 11u);
}

TEST(HostContract, PaymentSlots)
{
    EXPECT_EQ(SLOT(ICorvanePaymentsVtbl, Item), 7u);
    EXPECT_EQ(SLOT(ICorvanePaymentsVtbl, get_Count), 8u);

    // Status code N belongs to the property whose get sits at 7 + 2 (N - 21).
    const struct { std::size_t slot; int code; } codes[] = {
        {SLOT(ICorvanePaymentVtbl, get_Amount), 21},
        {SLOT(ICorvanePaymentVtbl, get_PayerBACSReference), 22},
        {SLOT(ICorvanePaymentVtbl, get_PayerSortCode), 23},
        {SLOT(ICorvanePaymentVtbl, get_PayerAccountNumber), 24},
        {SLOT(ICorvanePaymentVtbl, get_PayerAccountName), 25},
        {SLOT(ICorvanePaymentVtbl, get_PayerRollNumber), 26},
        {SLOT(ICorvanePaymentVtbl, get_PayeeBACSReference), 27},
        {SLOT(ICorvanePaymentVtbl, get_PayeeSortCode), 28},
        {SLOT(ICorvanePaymentVtbl, get_PayeeAccountNumber), 29},
        {SLOT(ICorvanePaymentVtbl, get_PayeeAccountName), 30},
        {SLOT(ICorvanePaymentVtbl, get_PayeeRollNumber), 31},
        {SLOT(ICorvanePaymentVtbl, get_Reference), 32},
        {SLOT(ICorvanePaymentVtbl, get_Details), 33},
        {SLOT(ICorvanePaymentVtbl, get_Currency), 34},
        {SLOT(ICorvanePaymentVtbl, get_Status), 35},
    };
    for (const auto& c : codes)
        EXPECT_EQ(c.slot, static_cast<std::size_t>(7 + 2 * (c.code - 21))) << "code " << c.code;
    EXPECT_EQ(SLOT(ICorvanePaymentVtbl, get_Details), 31u);
    EXPECT_EQ(SLOT(ICorvanePaymentVtbl, get_StatusCode), 37u);
    EXPECT_EQ(SLOT(ICorvanePaymentVtbl, put_StatusCode), 38u);
}

TEST(HostContract, RecordAndStatementSlots)
{
    EXPECT_EQ(SLOT(ICorvaneBankRecordVtbl, get_Account), 7u);
    EXPECT_EQ(SLOT(ICorvaneBankAccountVtbl, get_SortCode), 7u);
    EXPECT_EQ(SLOT(ICorvaneBankAccountVtbl, get_AccountNumber), 11u);

    EXPECT_EQ(SLOT(ICorvaneBankStatementVtbl, AddLine), 9u);
    EXPECT_EQ(SLOT(ICorvaneBankStatementVtbl, Clear), 10u);
    EXPECT_EQ(SLOT(ICorvaneBankStatementVtbl, put_Balance), 13u);

    EXPECT_EQ(SLOT(ICorvaneStatementLineVtbl, put_LineNumber), 9u);
    EXPECT_EQ(SLOT(ICorvaneStatementLineVtbl, put_Date), 11u);
    EXPECT_EQ(SLOT(ICorvaneStatementLineVtbl, put_Reference), 13u);
    EXPECT_EQ(SLOT(ICorvaneStatementLineVtbl, put_TransactionType), 17u);
    EXPECT_EQ(SLOT(ICorvaneStatementLineVtbl, put_Description), 37u);
    EXPECT_EQ(SLOT(ICorvaneStatementLineVtbl, put_Amount), 43u);
}
