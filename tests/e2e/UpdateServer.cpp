#include <httplib.h>

#include <cstdio>
#include <fstream>
#include <sstream>

// Serves the file named first as the update reply on 127.0.0.1, reading it again for every
// request; prints the port once it listens.
int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string path = argv[1];
    httplib::Server server;
    server.Get("/api/v0/update/", [&](const httplib::Request&, httplib::Response& response) {
        std::ifstream file(path);
        std::ostringstream body;
        body << file.rdbuf();
        response.set_content(body.str(), "application/json");
    });
    int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) return 1;
    std::printf("%d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
