#include "skin/ImageForm.h"
