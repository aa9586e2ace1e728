#pragma once
// The names of the SNMP error statuses, as the protocol writes them ("genErr", "wrongValue").

// Null for a status outside 1..18 (noError included).
const char* ErrorStatusName(int status);
