# The INI profile store: any bytes as the file, then a read and a write of a key.
add_fuzzer(fuzz_profile ${CMAKE_CURRENT_SOURCE_DIR}/profile_fuzz.cpp vellora_profile)
