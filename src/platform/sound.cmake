# The recorder's command set, its WAVE file and its device logic are plain C++, so the
# core-only sanitizer build covers them; the audio library side needs Qt and RtAudio.
add_library(vellora_recorder STATIC recorder_command.cpp recorder_wave.cpp wave_audio_recorder.cpp)
target_include_directories(vellora_recorder PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vellora_recorder PUBLIC vellora_common)

if(NOT VELLORA_CORE_ONLY)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(VELLORA_RTAUDIO REQUIRED IMPORTED_TARGET rtaudio)
    pkg_check_modules(VELLORA_SNDFILE REQUIRED IMPORTED_TARGET sndfile)
    pkg_check_modules(VELLORA_SAMPLERATE REQUIRED IMPORTED_TARGET samplerate)
    add_library(vellora_sound STATIC
        audio_backend.cpp audio_resampler.cpp rtaudio_input.cpp rtaudio_sound_player.cpp)
    target_link_libraries(vellora_sound
        PUBLIC vellora_recorder Qt6::Core
        PRIVATE PkgConfig::VELLORA_RTAUDIO PkgConfig::VELLORA_SNDFILE PkgConfig::VELLORA_SAMPLERATE)
endif()
