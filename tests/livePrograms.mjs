// What the SDK client tests share: the programs under test, how to start them (through a
// launcher for a cross-build), the stand-in editor's start and stop, and the catalogue's order.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';

export const serverBinary = process.env.KESTROVA_MCP_BINARY;
// The version the build gave the server (the project's own, through CTest).
export const serverVersion = process.env.KESTROVA_VERSION;
export const standinBinary = process.env.KESTROVA_STANDIN_BINARY;
// Programs of a cross-build run through a launcher (Wine for Windows programs).
export const launcher = process.env.KESTROVA_LAUNCHER || '';
const standinStartMs = 10000;

export function commandFor(binary, args) {
  return launcher ? { command: launcher, args: [binary, ...args] } : { command: binary, args };
}

// The sentence a tool result carries when the editor is not running.
export const notRunningSentence =
  'Kestrova does not answer. It must be running with the AI connection switched on: in ' +
  'Kestrova, File > Settings > AI connection. Ask the user to do that, then try again.';

export const catalogue = [
  'get_project', 'list_clips', 'list_media', 'list_effects', 'get_transcript', 'get_frame',
  'get_frames', 'look_through', 'find_in_clip', 'find_highlights', 'list_transitions',
  'list_sounds', 'list_export_targets', 'export_status', 'get_clip', 'cut_out', 'split_clip',
  'trim_clip', 'move_clip', 'delete_clip', 'add_effect', 'set_effect', 'remove_effect',
  'keep_only', 'add_transition', 'remove_transition', 'set_speed', 'freeze_frame', 'set_volume',
  'add_media', 'set_picture', 'animate_clip', 'add_sound', 'import_file', 'save_project',
  'export_video', 'add_title', 'list_title_styles', 'list_templates', 'add_template', 'reframe',
  'remove_background', 'shorten_pauses', 'remove_filler_words', 'transcribe', 'add_captions',
  'list_stickers', 'add_sticker', 'set_keyframes', 'detect_beats', 'cut_to_beats',
  'pulse_on_beats', 'fill_placeholder', 'undo_last_change',
];

// Every stand-in still running is ended when this test process ends, however it ends.
const liveStandins = new Set();
process.on('exit', () => { for (const child of liveStandins) child.kill('SIGKILL'); });

// The stand-in editor listening under `pipeName`, once it has said so. Its standard error is
// kept in `child.errors`, never handed down: a stand-in must not hold the test runner's output.
export async function startStandin(pipeName, options = []) {
  const { command, args } = commandFor(standinBinary, ['--name', pipeName, '--announce', ...options]);
  const child = spawn(command, args, {
    stdio: ['ignore', 'pipe', 'pipe'],
  });
  liveStandins.add(child);
  child.once('exit', () => liveStandins.delete(child));
  child.errors = '';
  child.stderr.on('data', (chunk) => { child.errors += chunk; });
  let announced = '';
  const listening = new Promise((resolve, reject) => {
    child.stdout.on('data', (chunk) => {
      announced += chunk;
      if (announced.includes('\n')) resolve();
    });
    child.once('exit', (code) => reject(new Error(`stand-in exited early (${code})`)));
  });
  const timeout = new Promise((_, reject) =>
    setTimeout(() => reject(new Error('stand-in did not start listening')), standinStartMs).unref());
  await Promise.race([listening, timeout]).catch((error) => {
    child.kill('SIGKILL');
    throw new Error(`${error.message}; on standard error: "${child.errors}"`);
  });
  assert.equal(announced, `listening ${pipeName}\n`);
  return child;
}

export async function stopStandin(child) {
  if (child.exitCode !== null || child.signalCode !== null) return;
  const exited = once(child, 'exit');
  // SIGINT: a Windows program under Wine gets it as Ctrl+C and can end cleanly; SIGTERM would
  // end Wine at once. A Windows Node.js has no signals to send: any kill there ends the process
  // at once, so only that it ended is checked (tst_toolcalls checks the stand-in's clean stop).
  child.kill('SIGINT');
  const [code] = await exited;
  if (process.platform !== 'win32') assert.equal(code, 0);
}

// Runs the server with `input` on its standard input, which then ends; resolves with what it
// wrote and how it ended.
export async function runServerToTheEnd(pipeName, input) {
  const { command, args } = commandFor(serverBinary, []);
  const child = spawn(command, args, {
    env: { ...process.env, KESTROVA_AI_PIPE: pipeName },
    stdio: ['pipe', 'pipe', 'pipe'],
  });
  let output = '';
  let errors = '';
  child.stdout.on('data', (chunk) => { output += chunk; });
  child.stderr.on('data', (chunk) => { errors += chunk; });
  const exited = once(child, 'exit');
  child.stdin.end(input);
  const [code] = await exited;
  return { code, output, errors };
}
