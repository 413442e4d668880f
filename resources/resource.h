// Resource identifiers of Quillfen.dll.
#pragma once

#define IDS_PROJNAME 100
#define IDI_QUILLFEN 200

// Payment status texts: 300 + status code; 340 the batch size message.
#define IDS_STATUS_BASE 300
#define IDS_TOO_MANY_PAYMENTS 340

// Options dialog.
#define IDD_PAYINFO 1001

// Descriptions of the payment formats: 403 + the format's value.
#define IDS_FORMAT_DESCRIPTION_STANDARD 403
#define IDS_FORMAT_DESCRIPTION_TEMPLATE 404
#define IDS_FORMAT_DESCRIPTION_BULK_LIST 405
#define IDS_FORMAT_DESCRIPTION_AD_HOC_BULK 406
// OK refused for a format that needs a template name: text and caption.
#define IDS_TEMPLATE_REQUIRED 410
#define IDS_TEMPLATE_REQUIRED_CAPTION 411

// Controls of the options dialog.
#define IDC_DATE_LABEL 2001
#define IDC_PROCESSING_DATE 2003
#define IDC_IAT_MARKING 2004
#define IDC_PAYMENT_LIST 2005
#define IDC_SET_IAT 2006
#define IDC_RESET_IAT 2007
#define IDC_IAT_EXPLANATION 2008
#define IDC_FORMAT_DESCRIPTION 2009
#define IDC_TEMPLATE_LABEL 2010
#define IDC_TEMPLATE 2011
#define IDC_FORMAT_GROUP 2012
#define IDC_FORMAT_STANDARD 2013
#define IDC_FORMAT_TEMPLATE 2014
#define IDC_FORMAT_BULK_LIST 2015
#define IDC_BENEFICIARY_REFERENCE_LABEL 2016
#define IDC_BENEFICIARY_REFERENCE 2017
#define IDC_FORMAT_AD_HOC_BULK 2018

// Statement import: the warning at the end of a run that left something
// out (500-519), and the reasons for skipped lines (520 + reason).
#define IDS_STATEMENT_CAPTION 500
#define IDS_STATEMENT_NOT_OPENED 501
#define IDS_STATEMENT_NOT_BANKLINE 502
#define IDS_STATEMENT_IMPORTED 503
#define IDS_STATEMENT_SKIPPED 504
#define IDS_STATEMENT_FIRST_SKIPPED 505
#define IDS_STATEMENT_SKIPPED_LINE 506
#define IDS_STATEMENT_NO_MATCH 507
#define IDS_STATEMENT_ACCOUNT 508
#define IDS_STATEMENT_ACCOUNTS 509
#define IDS_STATEMENT_NO_ACCOUNTS 510
#define IDS_STATEMENT_MORE_ACCOUNTS 511
#define IDS_STATEMENT_NONE 512
#define IDS_SKIP_REASON_BASE 520

// Statement import: the question about lines imported before, and what the
// warning says of them and of a journal that could not be used (540-549).
#define IDS_STATEMENT_SOME_BEFORE 540
#define IDS_STATEMENT_ALL_BEFORE 541
#define IDS_STATEMENT_PASSED_OVER 542
#define IDS_STATEMENT_JOURNAL_UNREAD 543
#define IDS_STATEMENT_JOURNAL_UNWRITTEN 544
#define IDS_STATEMENT_BUTTON_OK 545
#define IDS_STATEMENT_BUTTON_AGAIN 546
