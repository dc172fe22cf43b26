// std::string's members compiled with the program.
//
// The standard headers declare std::string's members instantiated in the
// runtime library, which keeps them all in one object. A Windows program's
// unwind table holds every function of each object it links, so using any
// one member brings all of them. Instantiated here, the members are compiled
// with the program's link-time optimisation instead, which keeps only those
// the program uses.
#include <string>

template class std::basic_string<char>;
