#pragma once

#include "Catalogue.h"

#include <optional>

class Prompts;
class Session;

// "Обновить базу": the specification's descriptions written back into the
// catalogue.
namespace CatalogueUpdate {

// Positions without a name first take their caption as name (a change of
// the specification). Then every position the editor's view filter shows
// gives its description, unit, price, mass, type, code, maker and group to
// the goods of its name, or becomes a new good; a position still without a
// name names no good and is passed over. All or nothing, in the catalogue
// and in the positions. When the filter hides some positions, the user is
// asked first; a No writes nothing and gives nothing back. Says, and
// returns, what was written.
std::optional<GoodsWritten> updateCatalogue(Session &session, Prompts &prompts);

// The same without a question or a notice: every position the view filter
// shows is written. Returns what was written.
GoodsWritten writeShown(Session &session);

// What was written, as the user reads it: "Записано в базу товара: 12
// товаров, из них новых 3".
QString writtenMessage(const GoodsWritten &written);

} // namespace CatalogueUpdate
