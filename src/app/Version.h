#pragma once

#define LOCKWARDEN_VERSION "1.020"
// The maker's copyright line and support address, shown in the About box; the address is also the
// mail link's recipient.
#define LOCKWARDEN_COPYRIGHT "Copyright (C) 2026 Fernhollow Software"
#define LOCKWARDEN_SUPPORT_ADDRESS "support@fernhollow.example"
