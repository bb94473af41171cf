// The bench multimeter over TCP (SCPI on port 5025): connect, read a range,
// parse the fixed-width reply.
#pragma once
#include <string>

// Range text of row k (0..12), "" outside the table.
std::string DmmRangeText(int k);
// Connects to `address`, port 5025, waiting at most 10 s; nothing when a
// connection exists. The Connect button shows the progress; a failure shows
// the "Can't connect with DMM over TCP" box. True when connected afterwards;
// the address is then kept in the settings for the next opening.
bool YRM_DmmConnect(const std::string& address);
// Configures the range when it changed, triggers one reading and takes the
// reply into dmmvalue (unchanged when none arrives or it is no reading).
// True when a reading was taken.
bool YRM_DmmRead(const std::string& range);
// Parses "+1.23456789E+01": false (value untouched) when the exponent is
// none of E+12..E+00, E-01..E-15.
bool ParseDmmReply(const std::string& reply, double& value);
// dmmvalue as shown: up to 10 decimals, trailing zeros removed.
std::string DmmValueText(double value);
// Reading action 764 + k: read range k, show the value, select the range.
// True when a reading was taken.
bool YRM_DmmReadingAction(int k);
