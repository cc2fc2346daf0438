#pragma once

#include <QString>
#include <QVector>

class Connection;

// A base as the main window's tree shows it: its name and the slots of its
// meters in use, in slot order.
struct BaseOfTree {
  QString name;
  QVector<int> slotsInUse;
};

// Every base in the order they were created, with its meters in use, read in
// one statement whatever the number of bases: a server on the lab network
// answers it in one round trip. Throws as Connection::execute does.
QVector<BaseOfTree> readBaseTree(Connection& connection);
