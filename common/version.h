// Version of the kit's Windows programs, shown in their version resources.
#pragma once

#define VEL_VERSION_NUMBERS 1, 7, 0, 0
#define VEL_VERSION_TEXT "1.7.0.0"
#define VEL_COMPANY_TEXT "Velmor"
#define VEL_PRODUCT_TEXT "Velmor Kinsetup"
