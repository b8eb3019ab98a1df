// Resource identifiers of Oravane.
#pragma once

#define IDS_PROJNAME 100
#define IDR_TYPELIB 1
