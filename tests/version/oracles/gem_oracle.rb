#!/usr/bin/env ruby
# The gem scheme's reference: RubyGems' Gem::Version (Ruby 3.1's RubyGems).
#
# Reads JSON lines on stdin, answers one JSON line each:
#   {"valid": [text, ...]}        -> [bool, ...]
#   {"compare": [[a, b], ...]}    -> [-1 | 0 | 1, ...]
# A text's code points 0..255 are its bytes; they reach RubyGems as a binary
# string, so bytes that are not UTF-8 are rejected by its pattern rather
# than by an encoding error. Validity is Gem::Version.correct?, the order
# Gem::Version#<=>.
require "json"
require "rubygems"

def bytes_of(text)
  text.encode("ISO-8859-1").force_encoding(Encoding::BINARY)
end

def version(text)
  raw = bytes_of(text)
  Gem::Version.correct?(raw) ? Gem::Version.new(raw) : nil
end

$stdout.sync = true
$stdin.each_line do |line|
  request = JSON.parse(line)
  answer =
    if request.key?("valid")
      request["valid"].map { |t| !version(t).nil? }
    else
      request["compare"].map { |a, b| version(a) <=> version(b) }
    end
  $stdout.puts(JSON.generate(answer))
end
