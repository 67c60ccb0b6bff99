// The HTTP face of orvane-serve: the routes on a cpp-httplib server.
#pragma once

#include <string>

namespace httplib {
class Server;
}
class StatusService;

// Adds the routes and the limits; with a non-empty `token` every request must carry it.
void SetUpRoutes(httplib::Server& server, StatusService& service, const std::string& token);
