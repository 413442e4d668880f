/* Identifiers of the host that live outside its type libraries. */
#include <initguid.h>

/* The host's category of banking components: {AB962317-4954-4634-8BE4-4BB95956B3D8} */
DEFINE_GUID(CATID_CorvaneBankingComponents, 0xAB962317, 0x4954, 0x4634, 0x8B, 0xE4, 0x4B, 0xB9, 0x59, 0x56, 0xB3, 0xD8);
