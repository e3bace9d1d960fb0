#pragma once
// The fixed catalogue of operations shown in the main window's tree, in display order.

#include <QList>
#include <QString>

struct CatalogueNode {
    QString key;   // the operation key the dispatch compares, case included
    QString text;  // what the user sees
    int image;     // index into the tree's image list: 1 or 2
};

const QList<CatalogueNode>& operationCatalogue();
