#include "view/application.hpp"

int main(int argc, char** argv) {
    return View::run_application(argc, argv);
}
