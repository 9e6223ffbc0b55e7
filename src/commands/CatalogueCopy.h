#pragma once

class Catalogue;

// A whole catalogue moved from one place to another (an SQLite file onto the
// office's server, or back): every good in its order, namesakes included,
// and the group order.
namespace CatalogueCopy {

struct Copied {
    int goods = 0;
    int groups = 0;
};

// Makes to hold what from holds and nothing else, all or nothing.
Copied copy(Catalogue &from, Catalogue &to);

} // namespace CatalogueCopy
