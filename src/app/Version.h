#pragma once

#define LOCKWARDEN_VERSION "1.020"
