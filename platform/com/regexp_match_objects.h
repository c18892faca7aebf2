#pragma once
// The objects through which a search's matches are read: the match collection (Count,
// Item from 0), each match (Value, FirstIndex, Length, SubMatches) and a match's groups
// (Count, Item from 0, and FirstIndex with a group number: where that group's capture
// starts, -1 when it did not take part). Items are made when they are read.
#include <memory>

#include "platform/com/dispatch.h"
#include "platform/com/regexp_search.h"

ComPtr<IDispatch> make_match_collection(std::shared_ptr<const MatchResults> results);
