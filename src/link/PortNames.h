#pragma once

#include <QString>

// The device behind the port names "Com1", "Com2" and "Lpt1": a line such as
// "Com1=/dev/pts/5" in sources/ports.ini of the program directory, otherwise
// COM1/COM2/LPT1 on Windows and /dev/ttyS0, /dev/ttyS1, /dev/lp0 elsewhere.
// A ports.ini that cannot be read (larger than kSettingsFileMaxBytes, no
// access) counts as missing.
QString portDevice(const QString& portName);

// Why sources/ports.ini, which is there, cannot be read, in the operator's
// words naming the file; empty when it is read or missing.
QString portsFileProblem();

// Write `portName`=`device` into `iniPath`, keeping the file's other lines.
// Returns false when the file cannot be written, or is there and cannot be read.
bool writePortDevice(const QString& iniPath, const QString& portName, const QString& device);
