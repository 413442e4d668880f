// Resource identifiers of Quillfen.dll.
#pragma once

#define IDS_PROJNAME 100
#define IDI_QUILLFEN 200

// Payment status texts: 300 + status code; 340 the batch size message.
#define IDS_STATUS_BASE 300
#define IDS_TOO_MANY_PAYMENTS 340

// Options dialog.
#define IDD_PAYINFO 1001
