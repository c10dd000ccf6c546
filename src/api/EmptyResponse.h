#pragma once

// The result of calls whose answer body is ignored: any success answer yields one, whatever its
// body.
struct EmptyResponse
{};
