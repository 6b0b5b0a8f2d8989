#pragma once
// Local wall clock, as the parsers need it (syslog lines carry no year).

int CurrentLocalYear();
