// The program: the sound card behind the recorder and the loudspeaker, then the
// main window.
#include <QApplication>

#include "calibration/sound_tone_player.h"
#include "mainwindow/form1.h"
#include "measure/capture_sequence.h"
#include "platform/rtaudio_input.h"
#include "platform/rtaudio_sound_player.h"
#include "platform/wave_audio_recorder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vellora");
    QApplication::setApplicationVersion("1.5.3");

    vellora::RtAudioInput input;
    vellora::WaveAudioRecorder recorder(input);
    vellora::RtAudioSoundPlayer sound;
    vellora::SoundTonePlayer tone(sound);

    vellora::Form1Services services;
    services.capture = [&recorder] {
        int32_t retour = 0;
        return vellora::sendCaptureSequence(recorder, retour);
    };
    services.tone = &tone;

    vellora::Form1 window(std::move(services));
    window.show();
    return app.exec();
}
