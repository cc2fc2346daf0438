#pragma once

#include <QString>

class Connection;

// What is wrong with the program's five tables in an opened database, in the
// operator's words, one line each: a table that is missing, the fields a table
// lacks, tables the connection's user has no rights on (made by another
// user). Empty when the tables are as the program makes them.
QString tableProblems(Connection& connection);
