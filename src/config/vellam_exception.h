// The configuration layer's exception: something went wrong talking to the
// server or reading its answer. It carries no message; callers only need to
// know that the operation ended.
#pragma once

#include <exception>

class VellamException : public std::exception {};
